// Folders on another machine: through a stand-in remote shell that runs the
// command here, and once through a real sshd on the loopback address.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

namespace dm {
namespace {

using test::Outcome;
using test::TempDir;

std::string q(const std::string& text)
{
    return test::quoted(text);
}

Outcome dirmatch(const std::string& arguments, const std::string& input = {})
{
    return test::runProgram(DIRMATCH_BINARY, arguments + " --lang en", input);
}

const std::string kScripts = std::string(DIRMATCH_SOURCE_DIR) + "/tests/support/remote/";

class Remote : public ::testing::Test {
protected:
    // The options that reach "another machine" through `shell`, running `program` there.
    static std::string through(const std::string& shell, const std::string& program = DIRMATCH_BINARY)
    {
        return " --rsh " + q(shell) + " --remote-dirmatch " + q(program);
    }

    std::string script(const std::string& name, const std::string& body)
    {
        const std::string path = dir.file(name, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    TempDir dir;
    std::string a = dir.folder("A");
    std::string b = dir.folder("B");
    std::string standIn = through(kScripts + "local-rsh");
};

TEST_F(Remote, ASideOnAnotherMachineGivesTheResultOfTheFolderItselfByteForByte)
{
    dir.lay({{"A/same", "1"},
             {"B/same", "1"},
             {"A/sub/new", "2"},
             {"A/differs", "12"},
             {"B/differs", "123"},
             {"B/extra", "3"}});
    const Outcome local = dirmatch("compare " + q(a) + " " + q(b) + " --json --all");
    for (const std::string& sides : {q(a) + " " + q("host:" + b), q("user@host:" + a) + " " + q(b)}) {
        const Outcome remote = dirmatch("compare " + sides + " --json --all" + standIn);
        EXPECT_EQ(remote.code, local.code) << remote.err;
        EXPECT_EQ(remote.out, local.out) << sides;
    }
    const Outcome content = dirmatch("compare " + q(a) + " " + q("host:" + b) + " --rules size,content" + standIn);
    EXPECT_NE(content.err.find("content not compared: side B is on another machine"), std::string::npos);

    // The same through the pipes of a script: export to the standard output, read from the standard input.
    const Outcome exported = dirmatch("export " + q(b) + " -o -");
    ASSERT_EQ(exported.code, 0);
    const Outcome piped = dirmatch("compare " + q(a) + " " + q(b) + " --json --all --info-b -", exported.out);
    EXPECT_EQ(piped.out, local.out);
}

TEST_F(Remote, SynchronizingWithAnotherMachineCopiesWhatALocalSyncWouldAndDeletesNothing)
{
    dir.lay({{"A/x", "new"}, {"B/x", "old!"}, {"A/sub/y", "2"}, {"B/only", "B's own"}});
    const bool caseApart = dir.keepsNamesApartByCase();
    if (caseApart) dir.lay({{"A/Readme", "new text"}, {"B/README", "old"}});
    const Outcome to = dirmatch("sync " + q(a) + " " + q("host:" + b) + " --yes" + standIn);
    EXPECT_EQ(to.code, 1) << to.err;  // B keeps its own item
    EXPECT_NE(to.out.find(caseApart ? "copied 3, failed 0, skipped 0" : "copied 2, failed 0, skipped 0"),
              std::string::npos)
        << to.out;
    EXPECT_EQ(dir.read("B/x"), "new");
    EXPECT_EQ(dir.read("B/sub/y"), "2");
    EXPECT_EQ(dir.read("B/only"), "B's own");
    if (caseApart) {
        EXPECT_EQ(dir.read("B/README"), "new text");  // written under B's name
        EXPECT_FALSE(dir.exists("B/Readme"));
    }

    const std::string c = dir.folder("C");
    const Outcome from = dirmatch("sync " + q("host:" + a) + " " + q(c) + " --yes" + standIn);
    EXPECT_EQ(from.code, 0) << from.err;
    EXPECT_EQ(dir.read("C/sub/y"), "2");
}

TEST_F(Remote, WhatGoesWrongOverThereIsSaidInItsOwnWordsAndNothingIsCopied)
{
    dir.lay({{"A/x", "new"}, {"B/x", "old!"}});
    const std::string file = dir.file("plain-file");
    const std::string garbage = script("garbage", "echo 'this is not an information file'");
    const std::string halfway = script("halfway", std::string("'") + DIRMATCH_BINARY + "' \"$@\" | head -c 30");
    struct Case {
        const char* what;
        std::string sides;
        std::string options;
        std::string said;
    };
    const Case cases[] = {
        {"a path that is a file", q(a) + " " + q("host:" + file), standIn, "no such folder: " + file},
        {"no dirmatch there", q(a) + " " + q("host:" + b), through(kScripts + "local-rsh", "/nowhere/dirmatch"),
         "--remote-dirmatch"},
        {"garbage", q(a) + " " + q("host:" + b), through(kScripts + "local-rsh", garbage),
         "Error reading information file"},
        {"stopped halfway", q(a) + " " + q("host:" + b), through(kScripts + "local-rsh", halfway), "host:" + b},
        {"a host that does not resolve", q(a) + " " + q("nohost.invalid:" + b),
         through("ssh -F /dev/null -o BatchMode=yes -o ConnectTimeout=3"), "cannot reach nohost.invalid"},
    };
    for (const Case& c : cases) {
        for (const char* command : {"compare ", "sync --yes "}) {
            const Outcome run = dirmatch(command + c.sides + c.options);
            EXPECT_EQ(run.code, 2) << c.what << ": " << run.out;
            EXPECT_NE(run.err.find(c.said), std::string::npos) << c.what << ": " << run.err;
        }
        EXPECT_EQ(dir.read("B/x"), "old!") << c.what;
    }
}

// An sshd of the test's own, on 127.0.0.1, stopped at the end.
class Sshd {
public:
    explicit Sshd(const TempDir& keys) : keys_(keys)
    {
        const Outcome started = test::runProgram(kScripts + "start-sshd", q(keys.path()));
        if (started.code != 0) return;
        port_ = started.out.substr(0, started.out.find('\n'));
    }
    ~Sshd()
    {
        std::ifstream pid(keys_ / "sshd.pid");
        int number = 0;
        if (pid >> number && number > 0) kill(number, SIGTERM);
    }
    bool running() const { return !port_.empty(); }
    std::string shell() const
    {
        return "ssh -F /dev/null -p " + port_ + " -i " + keys_ / "user" +
               " -o UserKnownHostsFile=" + keys_ / "known_hosts" + " -o StrictHostKeyChecking=yes -o BatchMode=yes";
    }

private:
    const TempDir& keys_;
    std::string port_;
};

TEST_F(Remote, ThroughARealSshdOnTheLoopbackAddressBothWays)
{
    TempDir keys;
    const Sshd sshd(keys);
    if (!sshd.running()) GTEST_SKIP() << "no sshd can run here";
    const std::string user = test::runProgram("id", "-un").out;
    const std::string host = user.substr(0, user.find('\n')) + "@127.0.0.1:";
    dir.lay({{"A/x", "new"}, {"B/x", "old!"}, {"A/sub/y", "2"}});
    const std::string options = through(sshd.shell());
    const Outcome to = dirmatch("sync " + q(a) + " " + q(host + b) + " --yes" + options);
    EXPECT_EQ(to.code, 0) << to.err;
    EXPECT_EQ(dir.read("B/sub/y"), "2");
    const std::string c = dir.folder("C");
    EXPECT_EQ(dirmatch("sync " + q(host + a) + " " + q(c) + " --yes" + options).code, 0);
    EXPECT_EQ(dirmatch("compare " + q(host + a) + " " + q(c) + options).code, 0);
    EXPECT_EQ(dir.read("C/x"), "new");

    // A key the server does not know is refused, and the message says so.
    const std::string stranger = keys / "stranger";
    test::runProgram("ssh-keygen", "-q -t ed25519 -N '' -f " + q(stranger));
    std::string refusedShell = sshd.shell();
    refusedShell.replace(refusedShell.find(keys / "user"), (keys / "user").size(), stranger);
    const Outcome refused = dirmatch("compare " + q(a) + " " + q(host + b) + through(refusedShell));
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("cannot reach"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("ermission denied"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace dm
