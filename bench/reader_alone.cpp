// Quillory's own clipboard reader with nothing else around it: no window,
// no capture thread. It counts the distinct texts it is handed, as the bare
// reader (reference_reader.cpp) does, so that a burst shows what the reader
// itself records beside what the whole program does.
//
//   reader_alone SECONDS

#include "platform/clipboard_connection.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 5;
    std::mutex mutex;
    long distinct = 0;
    std::string last;
    std::unique_ptr<ClipboardConnection> reader = ClipboardConnection::Open([&](ClipSnapshot snapshot) {
        if (snapshot.kind != ClipSnapshot::Kind::Text)
            return;
        std::lock_guard<std::mutex> lock(mutex);
        if (snapshot.text != last)
            ++distinct;
        last = snapshot.text;
    });
    if (!reader)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    reader->Stop();
    std::printf("%ld %s\n", distinct, last.c_str());
}
