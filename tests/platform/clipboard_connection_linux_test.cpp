// The X and Wayland connections against real servers and owners started
// here: the display the tests run on (Xvfb in `make check`) with the tests'
// X owner, and the project's own data-control server with its Wayland
// owner. What an end-to-end test would find only through the whole program,
// fast: whole reads, INCR, every form of a copy read and given back within
// its bounds, and owners that hang or die mid-transfer holding up no later
// copy.

#include "clipboard/clip_offer.h"
#include "clipboard/held_copy.h"
#include "clipboard/read_plan.h"
#include "platform/clipboard_connection_wayland.h"
#include "platform/clipboard_connection_x11.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A program of the tests', ended with the test; its first line is its word
// that it is ready.
class Child
{
public:
    explicit Child(std::vector<std::string> argv)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0)
        {
            ::dup2(out[1], 1);
            ::setpgid(0, 0);
            std::vector<char*> args;
            for (std::string& arg : argv)
                args.push_back(arg.data());
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        ::close(out[1]);
        m_out = out[0];
    }
    ~Child()
    {
        if (m_pid > 0)
        {
            ::kill(-m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }
    std::string Line()
    {
        std::string line;
        char c;
        while (::read(m_out, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

class Delivered
{
public:
    // With `held`, each text delivered is held as the capture thread holds
    // what it records.
    explicit Delivered(std::shared_ptr<HeldCopy> held = nullptr) : m_held(std::move(held)) {}

    ClipboardConnection::Deliver Sink()
    {
        return [this](ClipSnapshot snapshot) {
            if (m_held && snapshot.kind == ClipSnapshot::Kind::Text)
                m_held->Hold(snapshot.serial, [text = MakeSharedText(snapshot.text),
                                               forms = std::make_shared<const ClipForms>(snapshot.forms)] {
                    return OfferText(text, forms);
                });
            std::lock_guard<std::mutex> lock(m_mutex);
            m_snapshots.push_back(std::move(snapshot));
            m_changed.notify_all();
        };
    }
    // The first text delivered from now on that is not empty, or "" after
    // `limit`.
    std::string NextText(std::chrono::milliseconds limit = 10s) { return NextTextCopy(limit).text; }
    ClipSnapshot NextTextCopy(std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        auto found = [&] {
            for (; m_seen < m_snapshots.size(); ++m_seen)
                if (m_snapshots[m_seen].kind == ClipSnapshot::Kind::Text && !m_snapshots[m_seen].text.empty())
                    return true;
            return false;
        };
        if (!m_changed.wait_for(lock, limit, found))
            return {};
        return m_snapshots[m_seen++];
    }

private:
    std::shared_ptr<HeldCopy> m_held;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<ClipSnapshot> m_snapshots;
    size_t m_seen = 0;
};

// What "at once" may take here: more under the sanitizers, whose builds
// say how much slower they run.
std::chrono::milliseconds AtOnce()
{
    const char* slowdown = std::getenv("QUILLORY_TEST_SLOWDOWN");
    return std::chrono::milliseconds(static_cast<long>(2000 * (slowdown ? std::atof(slowdown) : 1.0)));
}

std::string Pattern(size_t size)
{
    std::string text(size, ' ');
    for (size_t i = 0; i < size; ++i)
        text[i] = char('a' + (i * 7 + i / 4093) % 26);
    return text;
}

std::filesystem::path WriteTemporary(const std::string& name, const std::string& bytes)
{
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("quillory-reader-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The targets of a copy and the forms named, as one string each, for
// comparing what was read with what was given.
std::vector<std::string> FormsOf(const ClipSnapshot& snapshot)
{
    std::vector<std::string> forms;
    for (const ClipForm& form : snapshot.forms)
        forms.push_back(form.target + "=" + (form.bytes ? *form.bytes : "(the record)"));
    return forms;
}

std::string Output(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, got);
        ::pclose(pipe);
    }
    return out;
}

Child XOwner(std::vector<std::string> args)
{
    args.insert(args.begin(), {"/usr/bin/python3", QUILLORY_X_OWNER});
    return Child(std::move(args));
}

}  // namespace

TEST(XConnection, ReadsCopiesWholeWithEveryFormWithinBoundsAndNoHungOrDyingOwnerHoldsUpTheNext)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X display";
    Delivered delivered;
    std::unique_ptr<ClipboardConnection> connection = OpenXConnection(delivered.Sink());
    ASSERT_TRUE(connection);

    {
        Child owner = XOwner({"UTF8_STRING=text:a small text"});
        ASSERT_EQ(owner.Line(), "ready");
        EXPECT_EQ(delivered.NextText(), "a small text");
    }
    const std::string large = Pattern(3 << 20);  // fifteen INCR chunks
    const std::filesystem::path largeFile = WriteTemporary("large", large);
    {
        Child owner = XOwner({"UTF8_STRING=file:" + largeFile.string()});
        ASSERT_EQ(owner.Line(), "ready");
        std::string text = delivered.NextText();
        EXPECT_EQ(text.size(), large.size());
        EXPECT_TRUE(text == large);
    }
    // An owner that never answers, then one that dies a third into its
    // transfer: each next copy is read at once, long before the reads
    // given up on time out, and nothing of the dead one's comes.
    {
        Child hung = XOwner({"--never-answer", "UTF8_STRING=text:never sent"});
        ASSERT_EQ(hung.Line(), "ready");
        Child dying = XOwner({"--die-mid-incr", "UTF8_STRING=file:" + largeFile.string()});
        ASSERT_EQ(dying.Line(), "ready");
        Child next = XOwner({"UTF8_STRING=text:after them"});
        ASSERT_EQ(next.Line(), "ready");
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(delivered.NextText(), "after them");
        EXPECT_LT(Clock::now() - start, AtOnce());
        // A change heard twice may be read twice; nothing else comes.
        for (std::string more; !(more = delivered.NextText(500ms)).empty();)
            EXPECT_EQ(more, "after them");
    }
    std::filesystem::remove(largeFile);

    // A rich copy keeps its other forms, in the owner's order, and gives
    // them back byte for byte; an owner that answers the first and then
    // stops answering leaves the copy with what came, within a few seconds.
    {
        Child owner = XOwner({"--only", "text/richtext", "--never-answer", "UTF8_STRING=text:rich",
                              "text/html=text:<b>rich</b>", "TIMESTAMP=text:0", "text/rtf=text:{\\rtf1 rich}",
                              "text/plain=text:rich\r\n", "text/richtext=text:never", "text/x-later=text:x"});
        ASSERT_EQ(owner.Line(), "ready");
        const Clock::time_point start = Clock::now();
        ClipSnapshot copy = delivered.NextTextCopy();
        EXPECT_LT(Clock::now() - start, AtOnce() + 4s);
        EXPECT_EQ(copy.text, "rich");
        EXPECT_EQ(FormsOf(copy), (std::vector<std::string>{"UTF8_STRING=(the record)", "text/html=<b>rich</b>",
                                                           "text/rtf={\\rtf1 rich}",
                                                           "text/plain=rich\r\n"}));
        auto forms = std::make_shared<const ClipForms>(std::move(copy.forms));
        ASSERT_TRUE(connection->PutText(MakeSharedText(copy.text), forms));
        const std::string targets = Output("xclip -selection clipboard -t TARGETS -o");
        EXPECT_LT(targets.find("UTF8_STRING"), targets.find("text/html"));
        EXPECT_LT(targets.find("text/html"), targets.find("text/plain\n"));
        EXPECT_EQ(Output("xclip -selection clipboard -t text/html -o"), "<b>rich</b>");
        EXPECT_EQ(Output("xclip -selection clipboard -t text/plain -o"), "rich\r\n");
        // Its own copy is heard as any other program's, with every form.
        EXPECT_EQ(delivered.NextTextCopy().forms.size(), 4u);
    }
    // A form sent for ever is left out at its bound (or its time), and the
    // copy kept with the rest.
    {
        Child owner = XOwner({"--only", "text/html", "--endless-incr", "UTF8_STRING=text:endless beside",
                              "text/html=text:<p>", "text/rtf=text:{\\rtf1 kept}"});
        ASSERT_EQ(owner.Line(), "ready");
        ClipSnapshot copy = delivered.NextTextCopy(AtOnce() + 10s);
        EXPECT_EQ(copy.text, "endless beside");
        EXPECT_EQ(FormsOf(copy), (std::vector<std::string>{"UTF8_STRING=(the record)", "text/rtf={\\rtf1 kept}"}));
    }
    // An owner offering ten thousand targets: the copy is kept with the
    // forms up to the bound, and read at once.
    {
        std::vector<std::string> args{"UTF8_STRING=text:many targets"};
        for (int n = 0; n < 10000; ++n)
            args.push_back("text/x-form-" + std::to_string(n) + "=text:" + std::to_string(n));
        Child owner = XOwner(std::move(args));
        ASSERT_EQ(owner.Line(), "ready");
        const Clock::time_point start = Clock::now();
        ClipSnapshot copy = delivered.NextTextCopy();
        EXPECT_LT(Clock::now() - start, AtOnce() + 2s);
        EXPECT_EQ(copy.text, "many targets");
        EXPECT_EQ(copy.forms.size(), kMaxForms);
        EXPECT_EQ(FormsOf(copy)[1], "text/x-form-0=0");
    }
    connection->Stop();
}

// Polls `command` until its output is `expected`, for up to `limit`.
bool OutputBecomes(const std::string& command, const std::string& expected, std::chrono::milliseconds limit)
{
    const Clock::time_point end = Clock::now() + limit;
    do
    {
        if (Output(command) == expected)
            return true;
        std::this_thread::sleep_for(20ms);
    } while (Clock::now() < end);
    return false;
}

TEST(XConnection, GivesTheClipboardBackWhenItsOwnerGoesAndOnlyThen)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X display";
    auto held = std::make_shared<HeldCopy>();
    Delivered delivered(held);
    std::unique_ptr<ClipboardConnection> connection = OpenXConnection(delivered.Sink());
    ASSERT_TRUE(connection);
    connection->KeepOnOffer(held);
    const std::string paste = "xclip -selection clipboard -o 2>/dev/null";

    // Killed: the copy comes back whole, every form.
    {
        Child owner = XOwner({"UTF8_STRING=text:outlives its owner", "text/html=text:<b>outlives</b>"});
        ASSERT_EQ(owner.Line(), "ready");
        EXPECT_EQ(delivered.NextText(), "outlives its owner");
    }
    EXPECT_TRUE(OutputBecomes(paste, "outlives its owner", AtOnce() / 2));
    EXPECT_EQ(Output("xclip -selection clipboard -t text/html -o"), "<b>outlives</b>");
    // Given back, it is not read again as a new copy.
    EXPECT_EQ(delivered.NextText(300ms), "");

    // A large one, read by many at once, each byte for byte.
    {
        const std::string large = Pattern(20 << 20);
        const std::filesystem::path file = WriteTemporary("restored", large);
        {
            Child owner = XOwner({"UTF8_STRING=file:" + file.string()});
            ASSERT_EQ(owner.Line(), "ready");
            EXPECT_EQ(delivered.NextText().size(), large.size());
        }
        ASSERT_TRUE(OutputBecomes("xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -c UTF8_STRING", "1\n",
                                  AtOnce() / 2));
        const std::string whole = Output("for i in $(seq 32); do (xclip -selection clipboard -o | cmp -s - " +
                                         file.string() + " && echo whole) & done; wait");
        EXPECT_EQ(std::count(whole.begin(), whole.end(), '\n'), 32);
        std::filesystem::remove(file);
    }

    // Unrelated owners: A copies, B copies, A exits; B's stays.
    {
        Child a = XOwner({"UTF8_STRING=text:from A"});
        ASSERT_EQ(a.Line(), "ready");
        EXPECT_EQ(delivered.NextText(), "from A");
        Child b = XOwner({"UTF8_STRING=text:from B"});
        ASSERT_EQ(b.Line(), "ready");
        EXPECT_EQ(delivered.NextText(), "from B");
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(Output(paste), "from B");
    }

    // A copy marked secret is not read, and an emptied clipboard stays
    // empty rather than get something older.
    {
        Child secret = XOwner({"UTF8_STRING=text:a password", "x-kde-passwordManagerHint=text:secret"});
        ASSERT_EQ(secret.Line(), "ready");
        std::this_thread::sleep_for(300ms);
    }
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Output(paste), "");

    // Where another manager keeps the clipboard, it is left to that one.
    {
        Child manager = XOwner({"--selection", "CLIPBOARD_MANAGER", "SAVE_TARGETS=text:"});
        ASSERT_EQ(manager.Line(), "ready");
        {
            Child owner = XOwner({"UTF8_STRING=text:left to the other"});
            ASSERT_EQ(owner.Line(), "ready");
            EXPECT_EQ(delivered.NextText(), "left to the other");
        }
        std::this_thread::sleep_for(500ms);
        EXPECT_EQ(Output(paste), "");
    }

    // Copies that die as soon as they are made, over and over: given back
    // a few times, then left alone.
    int restored = 0;
    for (int n = 0; n < 8; ++n)
    {
        const std::string text = "fight " + std::to_string(n);
        {
            Child owner = XOwner({"UTF8_STRING=text:" + text});
            ASSERT_EQ(owner.Line(), "ready");
            ASSERT_EQ(delivered.NextText(), text);
        }
        restored += OutputBecomes(paste, text, 100ms) ? 1 : 0;
    }
    std::printf("given back %d of 8 copies that died at once\n", restored);
    EXPECT_GE(restored, 1);
    EXPECT_LE(restored, 4);
    connection->Stop();
}

TEST(WaylandConnection, ReadsCopiesWholeWithEveryFormAndNoOwnerThatNeverWritesHoldsUpTheNext)
{
    char folder[] = "/tmp/quillory-reader-XXXXXX";
    ASSERT_TRUE(::mkdtemp(folder));
    const std::string runtime = folder;
    const std::string socket = runtime + "/wayland-reader";
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    Child server({QUILLORY_DATA_CONTROL_SERVER, "wayland-reader"});
    ASSERT_EQ(server.Line(), "ready");
    ::setenv("WAYLAND_DISPLAY", socket.c_str(), 1);

    Delivered delivered;
    std::unique_ptr<ClipboardConnection> connection = OpenWaylandConnection(delivered.Sink());
    ASSERT_TRUE(connection);
    int offers = 0;
    auto offer = [&](const std::string& mime, const std::string& bytes) {
        const std::filesystem::path path = runtime + "/offer" + std::to_string(++offers);
        std::ofstream(path, std::ios::binary) << bytes;
        return mime + "=" + path.string();
    };
    auto owner = [&](std::vector<std::string> args, const std::string& bytes) {
        args.insert(args.begin(), QUILLORY_WAYLAND_OWNER);
        args.push_back(offer("text/plain;charset=utf-8", bytes));
        return Child(std::move(args));
    };
    {
        Child small = owner({}, "a small text");
        ASSERT_EQ(small.Line(), "ready");
        EXPECT_EQ(delivered.NextText(), "a small text");
    }
    {
        const std::string large = Pattern(5 << 20);
        Child big = owner({}, large);
        ASSERT_EQ(big.Line(), "ready");
        std::string text = delivered.NextText();
        EXPECT_EQ(text.size(), large.size());
        EXPECT_TRUE(text == large);
    }
    {
        Child silent = owner({"--never-write"}, "never written");
        ASSERT_EQ(silent.Line(), "ready");
        Child next = owner({}, "after the silent one");
        ASSERT_EQ(next.Line(), "ready");
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(delivered.NextText(), "after the silent one");
        EXPECT_LT(Clock::now() - start, AtOnce());
    }
    {
        // The copy's other forms, in the owner's order, given back as they
        // came, read with wl-clipboard where it is installed.
        Child rich = owner({offer("text/html", "<i>rich</i>"), offer("image/png", "not asked"),
                            offer("application/rtf", "{\\rtf1 rich}")},
                           "rich");
        ASSERT_EQ(rich.Line(), "ready");
        ClipSnapshot copy = delivered.NextTextCopy();
        EXPECT_EQ(copy.text, "rich");
        EXPECT_EQ(FormsOf(copy), (std::vector<std::string>{"text/html=<i>rich</i>", "application/rtf={\\rtf1 rich}",
                                                           "text/plain;charset=utf-8=(the record)"}));
        auto forms = std::make_shared<const ClipForms>(std::move(copy.forms));
        ASSERT_TRUE(connection->PutText(MakeSharedText(copy.text), forms));
        if (std::filesystem::exists("/usr/bin/wl-paste"))
        {
            EXPECT_EQ(Output("wl-paste --no-newline -t text/html"), "<i>rich</i>");
            EXPECT_EQ(Output("wl-paste --no-newline -t application/rtf"), "{\\rtf1 rich}");
            EXPECT_EQ(Output("wl-paste --no-newline -t text/plain"), "rich");
        }
    }
    connection->Stop();
    ::unsetenv("WAYLAND_DISPLAY");
    std::filesystem::remove_all(runtime);
}

TEST(WaylandConnection, GivesTheClipboardBackWhenItsOwnerGoes)
{
    if (!std::filesystem::exists("/usr/bin/wl-paste"))
        GTEST_SKIP() << "no wl-clipboard";
    char folder[] = "/tmp/quillory-reader-XXXXXX";
    ASSERT_TRUE(::mkdtemp(folder));
    const std::string runtime = folder;
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    Child server({QUILLORY_DATA_CONTROL_SERVER, "wayland-back"});
    ASSERT_EQ(server.Line(), "ready");
    ::setenv("WAYLAND_DISPLAY", (runtime + "/wayland-back").c_str(), 1);
    auto held = std::make_shared<HeldCopy>();
    Delivered delivered(held);
    std::unique_ptr<ClipboardConnection> connection = OpenWaylandConnection(delivered.Sink());
    ASSERT_TRUE(connection);
    connection->KeepOnOffer(held);
    const std::filesystem::path text = runtime + "/text", html = runtime + "/html", mark = runtime + "/mark";
    std::ofstream(text, std::ios::binary) << "outlives its owner";
    std::ofstream(html, std::ios::binary) << "<i>outlives</i>";
    std::ofstream(mark, std::ios::binary) << "secret";
    {
        Child owner({QUILLORY_WAYLAND_OWNER, "text/html=" + html.string(),
                     "text/plain;charset=utf-8=" + text.string()});
        ASSERT_EQ(owner.Line(), "ready");
        EXPECT_EQ(delivered.NextText(), "outlives its owner");
    }
    EXPECT_TRUE(OutputBecomes("wl-paste --no-newline -t text/plain 2>/dev/null", "outlives its owner", AtOnce() / 2));
    EXPECT_EQ(Output("wl-paste --no-newline -t text/html"), "<i>outlives</i>");
    EXPECT_EQ(delivered.NextText(300ms), "");
    // A secret is not read, and nothing older takes its place.
    {
        Child owner({QUILLORY_WAYLAND_OWNER, "x-kde-passwordManagerHint=" + mark.string(),
                     "text/plain;charset=utf-8=" + text.string()});
        ASSERT_EQ(owner.Line(), "ready");
        std::this_thread::sleep_for(300ms);
    }
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Output("wl-paste --list-types 2>/dev/null"), "");
    connection->Stop();
    std::filesystem::remove_all(runtime);
}
