#include "editor/Constnot.h"
#include "editor/Globals.h"

#include "platform/runtime/Runtime.h"
#include "platform/testing/Driver.h"
#include "platform/testing/TempFiles.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

using namespace editor;
using namespace platform;
namespace drv = platform::testing;

namespace {

std::string NextLine(ConstnotManager& manager) {
    return manager.file.Next() == ReadResult::Ok ? Clip(manager.file.Record()) : "<none>";
}

} // namespace

// Thread 1 makes its manager before the keynote file is named; another window's thread gets a
// table of its own, and its end leaves the first thread's reading where it was.
TEST(ConstnotTest, EveryThreadReadsTheKeynoteFileThroughItsOwnTable) {
    drv::TempFolder temp;
    ResetGlobals();
    drv::WriteBytes(temp / "constnot.csv", "one\r\ntwo\r\nthree\r\n");
    ConstnotManager* first = nullptr;
    std::vector<std::string> firstLines, otherLines;
    bool separate = false;
    int reader = Start([&](const std::string&) {
        SetupTableManagers();
        CsvPath = temp / "constnot.csv";
        first = Constnot();
        ASSERT_NE(first, nullptr);
        ASSERT_TRUE(first->file.Open(OpenMode::ReadOnlyDenyNone));
        first->file.Rewind();
        firstLines.push_back(NextLine(*first));
        Accept(); // the other thread runs meanwhile
        firstLines.push_back(NextLine(*first));
        static_cast<void>(first->file.Close());
        ShutdownTableManagers();
    });
    drv::Settle();
    Start([&](const std::string&) {
        ConstnotManager* own = Constnot();
        ASSERT_NE(own, nullptr);
        separate = own != first;
        EXPECT_EQ(own->file.Name(), CsvPath);
        ASSERT_TRUE(own->file.Open(OpenMode::ReadOnlyDenyNone));
        own->file.Rewind();
        otherLines = {NextLine(*own), NextLine(*own), NextLine(*own)};
        static_cast<void>(own->file.Close());
    });
    drv::Settle();
    Post(EVENT_User, 0, reader);
    drv::Settle();
    EXPECT_TRUE(separate);
    EXPECT_EQ(firstLines, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(otherLines, (std::vector<std::string>{"one", "two", "three"}));
    EndAllThreads();
    ResetGlobals();
}
