#include "platform/runtime/Runtime.h"
#include "platform/files/FileError.h"
#include "platform/runtime/ErrorManager.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace platform;

namespace {

class Runtime : public ::testing::Test {
protected:
    void TearDown() override { EndAllThreads(); }
};

// A thread that records the events it takes until it gets `stop`.
void Recorder(std::vector<Event>* seen, int stop) {
    for (;;) {
        Event e = Accept();
        seen->push_back(e);
        if (e.code == stop)
            return;
    }
}

} // namespace

TEST_F(Runtime, ThreadNumbersStartAtOneAndReuseTheLowestFree) {
    bool release = false;
    auto waiter = [&release](const std::string&) { WaitUntil([&] { return release; }); };
    EXPECT_EQ(Start(waiter), 1);
    EXPECT_EQ(Start(waiter), 2);
    EXPECT_EQ(Start([](const std::string&) {}), 3);
    RunUntilIdle();
    EXPECT_FALSE(ThreadExists(3));
    EXPECT_EQ(Start(waiter), 3);
    EXPECT_EQ(Threads(), (std::vector<int>{1, 2, 3}));
    release = true;
    for (int t : Threads())
        Wake(t);
    RunUntilIdle();
    EXPECT_TRUE(Threads().empty());
    EXPECT_EQ(ThisThread(), 0);
}

TEST_F(Runtime, ProcedureGetsItsParameterAndItsOwnNumber) {
    std::string got;
    int number = 0;
    int t = Start(
        [&](const std::string& p) {
            got = p;
            number = ThisThread();
        },
        25000, "2");
    RunUntilIdle();
    EXPECT_EQ(got, "2");
    EXPECT_EQ(number, t);
}

TEST_F(Runtime, FrontPostsOvertakeBackPosts) {
    std::vector<Event> seen;
    int t = Start([&](const std::string&) { Recorder(&seen, EVENT_CloseDown); });
    Post(EVENT_User + 1, 0, t);
    Post(EVENT_User + 2, 0, t);
    Post(EVENT_User + 3, 0, t, true);
    Post(EVENT_CloseDown, 0, t);
    RunUntilIdle();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].code, EVENT_User + 3);
    EXPECT_EQ(seen[1].code, EVENT_User + 1);
    EXPECT_EQ(seen[2].code, EVENT_User + 2);
    EXPECT_FALSE(ThreadExists(t));
}

TEST_F(Runtime, PostsToMissingThreadsAreDroppedAndBroadcastReachesEveryThread) {
    std::vector<Event> a, b;
    int ta = Start([&](const std::string&) { Recorder(&a, EVENT_CloseDown); });
    int tb = Start([&](const std::string&) { Recorder(&b, EVENT_CloseDown); });
    int sender = Start([](const std::string&) {
        for (int t = 1; t <= 64; ++t)
            Post(0x4CE, 0, t);
    });
    RunUntilIdle();
    EXPECT_FALSE(ThreadExists(sender));
    Post(EVENT_User, 0, 40); // nobody there
    Post(EVENT_CloseDown, 0, ta);
    Post(EVENT_CloseDown, 0, tb);
    RunUntilIdle();
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(a[0].code, 0x4CE);
    EXPECT_EQ(b[0].code, 0x4CE);
}

TEST_F(Runtime, PosterKeyCodeBecomesReceiverKeyCode) {
    std::vector<int> keys;
    int receiver = Start([&](const std::string&) {
        Accept();
        keys.push_back(KeyCode());
        Accept();
        keys.push_back(KeyCode());
    });
    Start([receiver](const std::string&) {
        SetKeyCode(525);
        Post(EVENT_AlertKey, 9, receiver);
        SetKeyCode(0);
        Post(EVENT_Accepted, 3, receiver);
    });
    RunUntilIdle();
    EXPECT_EQ(keys, (std::vector<int>{525, 0}));
}

TEST_F(Runtime, BlockedThreadDoesNotHoldUpOthers) {
    std::vector<std::string> log;
    bool answered = false;
    int blocked = Start([&](const std::string&) {
        log.push_back("asks");
        WaitUntil([&] { return answered; });
        log.push_back("answered");
    });
    Start([&](const std::string&) {
        log.push_back("other runs");
        Accept();
        log.push_back("other got event");
    });
    RunUntilIdle();
    Post(EVENT_User, 0, 2);
    RunUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"asks", "other runs", "other got event"}));
    EXPECT_FALSE(ThreadExists(2));
    Wake(blocked); // waking without the condition changes nothing
    RunUntilIdle();
    EXPECT_TRUE(ThreadExists(blocked));
    answered = true;
    Wake(blocked);
    RunUntilIdle();
    EXPECT_EQ(log.back(), "answered");
    EXPECT_FALSE(ThreadExists(blocked));
}

namespace {
std::vector<std::string> g_reports;
void CaptureSink(const std::string& caption, const std::string& message) {
    g_reports.push_back(caption + ": " + message);
}
} // namespace

TEST_F(Runtime, ThrowingProcedureEndsOnlyItsThreadAndIsReported) {
    g_reports.clear();
    SetErrorSink(CaptureSink);
    std::vector<Event> seen;
    int survivor = Start([&](const std::string&) { Recorder(&seen, EVENT_CloseDown); });
    int failing = Start([](const std::string&) {
        GlobalErrorManager.SetProcedureName("BrowseLookup");
        throw std::runtime_error("broken list");
    });
    RunUntilIdle();
    SetErrorSink(nullptr);
    EXPECT_FALSE(ThreadExists(failing));
    EXPECT_TRUE(ThreadExists(survivor));
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_NE(g_reports[0].find("BrowseLookup"), std::string::npos);
    EXPECT_NE(g_reports[0].find("broken list"), std::string::npos);
}

TEST_F(Runtime, EachFiberKeepsItsOwnCaughtException) {
    bool go = false;
    std::string first, second;
    auto body = [&go](std::string* out, const char* what) {
        try {
            throw std::runtime_error(what);
        } catch (...) {
            WaitUntil([&] { return go; }); // yields inside the handler
            try {
                throw; // must rethrow this fiber's exception
            } catch (const std::exception& e) {
                *out = e.what();
            }
        }
    };
    int a = Start([&](const std::string&) { body(&first, "first"); });
    int b = Start([&](const std::string&) { body(&second, "second"); });
    RunUntilIdle();
    go = true;
    Wake(b);
    Wake(a);
    RunUntilIdle();
    EXPECT_EQ(first, "first");
    EXPECT_EQ(second, "second");
}

namespace {
struct Counted {
    static int alive;
    Counted() { ++alive; }
    ~Counted() { --alive; }
};
int Counted::alive = 0;
} // namespace

TEST_F(Runtime, PerThreadObjectsAreOwnAndGoWithTheirThread) {
    static ThreadLocal<std::vector<int>> values;
    static ThreadLocal<Counted> counted;
    std::vector<int> sizes;
    auto body = [&](const std::string& p) {
        values->push_back(std::stoi(p));
        counted.Get();
        Accept();
        sizes.push_back(static_cast<int>(values->size()));
    };
    int a = Start(body, 0, "1");
    int b = Start(body, 0, "2");
    RunUntilIdle();
    EXPECT_EQ(Counted::alive, 2);
    Post(EVENT_User, 0, a);
    RunUntilIdle();
    EXPECT_EQ(Counted::alive, 1);
    EXPECT_EQ(sizes, std::vector<int>{1});
    EndAllThreads(); // unwinds b while it waits
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_FALSE(ThreadExists(b));
}

TEST_F(Runtime, EndingAllThreadsUnwindsSuspendedStacks) {
    int unwound = 0;
    struct Guard {
        int* n;
        ~Guard() { ++*n; }
    };
    for (int i = 0; i < 3; ++i)
        Start([&](const std::string&) {
            Guard g{&unwound};
            try {
                Accept();
            } catch (...) {
                throw; // the unwinding must pass
            }
        });
    RunUntilIdle();
    EndAllThreads();
    EXPECT_EQ(unwound, 3);
    EXPECT_TRUE(Threads().empty());
}

TEST(Clock, CountsHundredthsForward) {
    std::int64_t a = Clock();
    std::int64_t b = Clock();
    EXPECT_GE(b, a);
    EXPECT_GT(a, 0);
}

TEST_F(Runtime, EachThreadHasItsOwnLastFileError) {
    bool go = false;
    std::vector<int> seen;
    auto body = [&](int code) {
        SetFileError(code, "failure " + std::to_string(code));
        WaitUntil([&] { return go; });
        seen.push_back(FileErrorCode());
    };
    int a = Start([&](const std::string&) { body(kFileNotFound); });
    int b = Start([&](const std::string&) { body(kAccessDenied); });
    RunUntilIdle();
    go = true;
    Wake(a);
    Wake(b);
    RunUntilIdle();
    EXPECT_EQ(seen, (std::vector<int>{kFileNotFound, kAccessDenied}));
}

TEST_F(Runtime, ActingForAThreadFromTheMainContextPostsAndSetsKeyCodesAsThatThread) {
    std::vector<Event> seen;
    int t = Start([&](const std::string&) { Recorder(&seen, EVENT_User + 1); });
    RunUntilIdle();
    ASSERT_EQ(ThisThread(), 0);
    {
        ActAsThread acting(t);
        EXPECT_EQ(ThisThread(), t);
        SetKeyCode(5);
        Post(EVENT_AlertKey, 7);                // thread 0: the thread acted for
        Post(EVENT_User, 0, 0, /*front=*/true); // overtakes it
        {
            ActAsThread none(0); // nested: back in the main context
            EXPECT_EQ(ThisThread(), 0);
            Post(EVENT_User + 2); // goes nowhere
        }
        EXPECT_EQ(ThisThread(), t);
        SetKeyCode(0);
        Post(EVENT_User + 1);
    }
    EXPECT_EQ(ThisThread(), 0);
    RunUntilIdle();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].code, EVENT_User);
    EXPECT_EQ(seen[0].keyCode, 5);
    EXPECT_EQ(seen[1].code, EVENT_AlertKey);
    EXPECT_EQ(seen[1].control, 7);
    EXPECT_EQ(seen[1].keyCode, 5);
    EXPECT_EQ(seen[2].code, EVENT_User + 1);
    EXPECT_EQ(seen[2].keyCode, 0);
}
