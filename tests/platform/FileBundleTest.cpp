#include "platform/files/FileBundle.h"
#include "platform/testing/TempFiles.h"
#include "platform/testing/WriteLimit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace platform;
namespace drv = platform::testing;

// Members read back as written, by the names they would have had as files; a member written
// over, changed or forgotten is no longer what it was, and removing the bundle leaves nothing.
TEST(FileBundleTest, MembersAreFilesByNameUntilTheBundleGoes) {
    drv::TempFolder folder;
    const std::string a = folder / "page00001.svg", b = folder / "page00002.svg";
    {
        FileBundle bundle;
        std::string error;
        ASSERT_TRUE(bundle.Create(folder / "pages", error)) << error;
        ASSERT_TRUE(bundle.Add(a, "first page", error)) << error;
        ASSERT_TRUE(bundle.Add(b, std::string("second\0page", 11), error)) << error;
        EXPECT_EQ(ReadBundled(a), "first page");
        EXPECT_EQ(ReadBundled(b), std::string("second\0page", 11));
        EXPECT_FALSE(ReadBundled(folder / "page00003.svg").has_value());
        EXPECT_FALSE(std::filesystem::exists(a)); // no file of its own
        EXPECT_EQ(drv::TempFolder::Entries(folder.Path()), 1u);

        // Changed in place: the new bytes, another version; nothing beyond the member's end.
        const std::optional<std::uint64_t> before = BundledVersion(a);
        ASSERT_TRUE(before.has_value());
        EXPECT_TRUE(PatchBundled(a, 6, "PAGE"));
        EXPECT_EQ(ReadBundled(a), "first PAGE");
        EXPECT_NE(BundledVersion(a), before);
        EXPECT_FALSE(PatchBundled(a, 8, "xyz"));
        EXPECT_FALSE(PatchBundled(a, 11, ""));
        EXPECT_FALSE(PatchBundled(folder / "none.svg", 0, "x"));
        EXPECT_EQ(ReadBundled(a), "first PAGE");
        EXPECT_EQ(ReadBundled(b), std::string("second\0page", 11)); // its neighbour untouched

        // Written again under its name: the new member, another version.
        const std::optional<std::uint64_t> patched = BundledVersion(a);
        ASSERT_TRUE(bundle.Add(a, "again", error)) << error;
        EXPECT_EQ(ReadBundled(a), "again");
        EXPECT_NE(BundledVersion(a), patched);

        EXPECT_TRUE(ForgetBundled(b));
        EXPECT_FALSE(ForgetBundled(b));
        EXPECT_FALSE(ReadBundled(b).has_value());
        EXPECT_FALSE(BundledVersion(b).has_value());

        bundle.Remove();
        EXPECT_FALSE(ReadBundled(a).has_value());
        EXPECT_EQ(drv::TempFolder::Entries(folder.Path()), 0u);
        EXPECT_FALSE(bundle.Add(a, "closed", error));
    }
    // A bundle that goes out of scope takes its members and file with it.
    {
        FileBundle bundle;
        std::string error;
        ASSERT_TRUE(bundle.Create(folder / "pages", error)) << error;
        ASSERT_TRUE(bundle.Add(a, "kept", error)) << error;
    }
    EXPECT_FALSE(ReadBundled(a).has_value());
    EXPECT_EQ(drv::TempFolder::Entries(folder.Path()), 0u);

    FileBundle nowhere;
    std::string error;
    EXPECT_FALSE(nowhere.Create(folder / "no such folder/pages", error));
    EXPECT_EQ(error, "No such file or directory");
}

// A file-size limit stops no more members than it stops files of their own: past it, members go
// into further files; a member larger than the limit fails with the reason and leaves nothing.
// A promised member is made by the first reader that asks for it, once, with the edits asked of
// it meanwhile; one forgotten, or one of a bundle removed, is no member and is never made.
TEST(FileBundleTest, PromisedMembersAreMadeWhenFirstRead) {
    drv::TempFolder folder;
    const std::string a = folder / "page00001.svg", b = folder / "page00002.svg",
                      c = folder / "page00003.svg", d = folder / "page00004.svg";
    std::vector<std::string> made;
    {
        FileBundle bundle;
        std::string error;
        ASSERT_TRUE(bundle.Create(folder / "pages", error)) << error;
        bundle.SetMaker([&](const std::string& name) {
            made.push_back(name);
            std::string ignored;
            if (name != d) // d cannot be made
                bundle.Add(name, "made " + name.substr(name.size() - 5, 1), ignored);
        });
        for (const std::string& name : {a, b, c, d})
            bundle.Promise(name);
        EXPECT_TRUE(made.empty());
        EXPECT_TRUE(EditBundledWhenMade(b, [](std::string& s) { s[0] = 'M'; }));
        EXPECT_TRUE(BundledVersion(a).has_value());
        EXPECT_EQ(ReadBundled(a), "made 1");
        EXPECT_EQ(ReadBundled(b), "Made 2");
        EXPECT_FALSE(EditBundledWhenMade(b, [](std::string& s) { s.clear(); })); // made already
        EXPECT_TRUE(ForgetBundled(c));
        EXPECT_FALSE(ReadBundled(c).has_value());
        EXPECT_FALSE(ReadBundled(d).has_value());
        EXPECT_FALSE(ReadBundled(d).has_value());
        EXPECT_EQ(made, (std::vector<std::string>{a, b, d}));
        bundle.Promise(c);
    }
    EXPECT_FALSE(ReadBundled(c).has_value());
    EXPECT_EQ(made.size(), 3u);
}

TEST(FileBundleTest, AFileSizeLimitIsMetMemberByMember) {
    drv::TempFolder folder;
    FileBundle bundle;
    std::string error;
    ASSERT_TRUE(bundle.Create(folder / "pages", error)) << error;
    const std::string page(3000, 'p');
    {
        drv::WriteLimit limit(4096);
        for (int i = 1; i <= 3; ++i) {
            ASSERT_TRUE(bundle.Add(folder / ("page" + std::to_string(i)), page, error)) << error;
        }
        EXPECT_FALSE(bundle.Add(folder / "large", std::string(5000, 'l'), error));
        EXPECT_EQ(error, "File too large");
    }
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(ReadBundled(folder / ("page" + std::to_string(i))), page) << i;
    EXPECT_FALSE(ReadBundled(folder / "large").has_value());
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        EXPECT_LE(entry.file_size(), 4096u) << entry.path();
    // What was left of the failed member is gone: the next member reads whole.
    ASSERT_TRUE(bundle.Add(folder / "page4", "four", error)) << error;
    EXPECT_EQ(ReadBundled(folder / "page4"), "four");
    bundle.Remove();
    EXPECT_EQ(drv::TempFolder::Entries(folder.Path()), 0u);
}
