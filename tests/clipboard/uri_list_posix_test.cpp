#include "clipboard/uri_list.h"

#include <gtest/gtest.h>

using Paths = std::vector<std::filesystem::path>;

namespace {

std::optional<Paths> Parse(std::string_view data)
{
    return ParseFileUriList(data, "myhost");
}

}  // namespace

TEST(UriList, DecodesLocalFilesInOrder)
{
    auto paths = Parse("file:///home/u/a%20b.txt\r\nfile://localhost/tmp/x\r\nfile://myhost/srv/%C3%BC.txt\r\n");
    ASSERT_TRUE(paths);
    EXPECT_EQ(*paths, Paths({"/home/u/a b.txt", "/tmp/x", "/srv/\xC3\xBC.txt"}));
}

TEST(UriList, KeepsBytesThatAreNotUtf8)
{
    auto paths = Parse("file:///tmp/caf%E9\n");
    ASSERT_TRUE(paths);
    EXPECT_EQ((*paths)[0].native(), std::string("/tmp/caf\xE9"));
}

TEST(UriList, GnomeCopiedFilesAndCommentsAreUnderstood)
{
    auto paths = Parse("copy\nfile:///a\nfile:///b");
    ASSERT_TRUE(paths);
    EXPECT_EQ(*paths, Paths({"/a", "/b"}));

    paths = Parse("# a comment\r\nfile:///c\r\n\r\n");
    ASSERT_TRUE(paths);
    EXPECT_EQ(*paths, Paths({"/c"}));
}

TEST(UriList, AnythingButLocalFilesIsNotAFileList)
{
    EXPECT_FALSE(Parse("https://example.org/page\n"));
    EXPECT_FALSE(Parse("file:///a\nhttps://example.org/\n"));  // one stranger spoils the list
    EXPECT_FALSE(Parse("file://otherhost/a\n"));
    EXPECT_FALSE(Parse("file:///a%2\n"));                       // malformed escapes
    EXPECT_FALSE(Parse("file:///a%zz\n"));
    EXPECT_FALSE(Parse("file:///a%00b\n"));                     // no NUL in a path
    EXPECT_FALSE(Parse(std::string_view("file:///a\0b\n", 12)));  // nothing left once it is refused
    EXPECT_FALSE(Parse("file:///a\tb\n"));
    EXPECT_FALSE(Parse("file:relative\n"));
    EXPECT_FALSE(Parse(""));
    EXPECT_FALSE(Parse("copy\n"));
    EXPECT_FALSE(Parse("just some text"));
}

TEST(UriList, ListsEndedTheWayFileManagersEndThem)
{
    // One file manager ends its list with a NUL, others with CRLF, LF or nothing.
    for (std::string_view list : {std::string_view("file:///a\r\nfile:///b\0", 21),
                                  std::string_view("file:///a\r\nfile:///b\r\n"),
                                  std::string_view("file:///a\nfile:///b"),
                                  std::string_view("copy\nfile:///a\nfile:///b\0\0", 26)})
    {
        auto paths = Parse(list);
        ASSERT_TRUE(paths) << list;
        EXPECT_EQ(*paths, Paths({"/a", "/b"}));
    }
}

TEST(UriList, AnEntryWithControlCharactersIsRefusedAlone)
{
    auto paths = Parse(std::string_view("file:///a\r\nfile:///b\x01" "c\r\nfile:///d\tx\r\nfile:///e\r\n", 48));
    ASSERT_TRUE(paths);
    EXPECT_EQ(*paths, Paths({"/a", "/e"}));
}
