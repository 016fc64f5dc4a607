#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "SnmpTestSupport.h"
#include "V_PQIF07.h"
#include "companions/klapi/Journal.h"
#include "companions/klapi/SimStore.h"
#include "device/KLApiBinding.h"
#include "support/Registry.h"
#include "tests/common/SimTestSupport.h"
#include "tests/status/TestPrinterKeys.h"

namespace {

constexpr const char* kPrinter = "SnmpQuery_K7";
constexpr const char* kModel = "Vorne Kestrel K7";

struct Outputs {
    LONG rc = -77, result = -77, state = -77, sound = -77, notify = -77, activity = -77;
};

// A printer key and a simulated printer that answers from the loopback SNMP
// agent; each condition is written to the agent's data and read back through
// the status query.
class SnmpStatusQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(snmptest::AgentAddress().empty()) << "PQIF_SNMP_AGENT is not set";
        ASSERT_TRUE(snmptest::ReadyPrinter().Write());
        ::DeleteFileA(journal::FileOf(kPrinter).c_str());
        key_ = keys_.Add(SelectByPrinter, "snmp", kPrinter);
        simtest::ProgramRun run = simtest::RunProgram(std::string("simprinter.exe snmp ") +
                                                      kPrinter + " " + snmptest::AgentAddress() +
                                                      " --timeout 400 --retries 1 --interval 500");
        ASSERT_EQ(run.exitCode, 0u) << run.err;
        ASSERT_TRUE(binding_.IsInitialized());
        channel_ = binding_.KLOpenChannel(1, kPrinter, PQIF_CHANNEL_PREFERRED);
        ASSERT_NE(channel_, 0);
    }
    void TearDown() override {
        if (channel_)
            binding_.KLCloseChannel(channel_);
        snmptest::ReadyPrinter().Write();
        ::DeleteFileA(journal::FileOf(kPrinter).c_str());
    }

    Outputs Query() {
        // Ask the agent afresh rather than within the refresh interval.
        printer_->SetDword(simstore::SnmpPolledAtValue, 0);
        Outputs o;
        o.rc = PrGetStatusB(0, PQIF_CHANNEL_PREFERRED, channel_, &o.result, &o.state, &o.sound,
                            &o.notify, kPrinter, "", 0, kModel, &o.activity);
        return o;
    }
    std::vector<journal::Entry> Journal() {
        ULONGLONG offset = 0;
        return journal::ReadFrom(kPrinter, offset);
    }

    TargetKeys keys_;
    std::string key_;
    simtest::SimulatedPrinter printer_{kPrinter};
    KLApiBinding binding_;
    int channel_ = 0;
};

snmptest::MibData With(const char* bits, int deviceStatus = 2, int printerStatus = 3) {
    snmptest::MibData d;
    d.Printer(deviceStatus, printerStatus, bits);
    return d;
}

TEST_F(SnmpStatusQueryTest, EachPrinterConditionGivesItsResult) {
    struct Row {
        const char* name;
        snmptest::MibData data;
        LONG result;
        LONG state;
    } rows[] = {
        {"ready", snmptest::ReadyPrinter(), PQIF_RESULT_READY, 4},
        {"printing", With("00 00", 2, 4).SixInks({80, 70, 60, 50, 40, 30}), PQIF_RESULT_PRINTING,
         3},
        {"warming up", With("00 00", 2, 5).SixInks({80, 70, 60, 50, 40, 30}), PQIF_RESULT_BUSY, 6},
        {"door open (bit)", With("08 00", 5, 1).SixInks({80, 70, 60, 50, 40, 30}),
         PQIF_RESULT_COVER_OPEN, 0},
        {"cover open (alert)", snmptest::ReadyPrinter().Alert(1, 3, 6, 1, 3),
         PQIF_RESULT_COVER_OPEN, 0},
        {"jammed", With("04 00", 5, 1).SixInks({80, 70, 60, 50, 40, 30}), PQIF_RESULT_ERROR, 0},
        {"no paper", With("40 00", 5, 1).SixInks({80, 70, 60, 50, 40, 30}), PQIF_RESULT_PAPER_ERROR,
         0},
        {"input tray empty", With("00 04", 3, 3).SixInks({80, 70, 60, 50, 40, 30}),
         PQIF_RESULT_PAPER_ERROR, 0},
        {"no toner, magenta at 0", With("10 00", 5, 1).SixInks({80, 70, 0, 50, 40, 30}),
         PQIF_RESULT_INK_OUT, 0},
        {"ink empty alert", snmptest::ReadyPrinter().Alert(1, 3, 11, 2, 1102), PQIF_RESULT_INK_OUT,
         0},
        {"marker supply missing", With("00 20", 5, 1).SixInks({80, 70, 60, 50, 40, 30}),
         PQIF_RESULT_ERROR, 0},
        {"service requested", With("01 00", 5, 1).SixInks({80, 70, 60, 50, 40, 30}),
         PQIF_RESULT_ERROR, 0},
        {"offline", With("02 00", 5, 1).SixInks({80, 70, 60, 50, 40, 30}), PQIF_RESULT_ERROR, 5},
        {"asleep", snmptest::ReadyPrinter().Alert(1, 4, 6, 1, 23), PQIF_RESULT_ERROR, 5},
        {"low toner, cyan at 5 %", With("20 00", 3, 3).SixInks({80, 5, 60, 50, 40, 30}),
         PQIF_RESULT_INK_LOW, 4},
        {"waste box nearly full", With("00 00").SixInks({80, 70, 60, 50, 40, 30}).WasteBox(50),
         PQIF_RESULT_MAINTENANCE, 4},
        {"waste box full, not an ink out",
         With("00 00").SixInks({80, 70, 60, 50, 40, 30}).WasteBox(0), PQIF_RESULT_MAINTENANCE, 4},
        {"unknown and some-remaining levels are not ink out",
         With("00 00").SixInks({80, -3, -2, 50, -1, 30}), PQIF_RESULT_READY, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(row.data.Write());
        Outputs o = Query();
        EXPECT_EQ(o.rc, 1);
        EXPECT_EQ(o.result, row.result);
        EXPECT_EQ(o.state, row.state);
        EXPECT_NE(o.activity, 0); // a decoded reply, idle or busy
        // pqif status says the same of it.
        simtest::ProgramRun run =
            simtest::RunProgram(std::string("pqif.exe status ") + kPrinter + " --json");
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_NE(run.out.find("\"resultCode\":" + std::to_string(row.result) + ","),
                  std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("\"printerState\":" + std::to_string(row.state) + ","),
                  std::string::npos)
            << run.out;
    }
}

TEST_F(SnmpStatusQueryTest, PqifStatusShowsTheLevelsAsAPersonWould) {
    ASSERT_TRUE(With("00 00").SixInks({80, -3, 60, 50, 40, 30}).WasteBox(0).Write());
    simtest::ProgramRun run = simtest::RunProgram(std::string("pqif.exe status ") + kPrinter);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("13 (maintenance"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("slot 1 unknown"), std::string::npos) << run.out;
    run = simtest::RunProgram(std::string("pqif.exe status ") + kPrinter + " --json");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("\"resultCode\":13"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"ink\":[80,null,60,50,40,30]"), std::string::npos) << run.out;
}

TEST_F(SnmpStatusQueryTest, ASilentPrinterFailsButKeepsItsLastLevelsWithTheirAge) {
    ASSERT_EQ(Query().result, PQIF_RESULT_READY);
    ASSERT_TRUE(snmptest::ReadyPrinter().Silent().Write());
    ULONGLONG start = ::GetTickCount64();
    Outputs o = Query();
    EXPECT_LT(::GetTickCount64() - start, 3000u);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_NOT_AVAILABLE);
    // The last answer stays, with its time, in the printer's store and its journal.
    EXPECT_FALSE(printer_->String(simstore::LastAnswerValue).empty());
    std::vector<journal::Entry> entries = Journal();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].answering);
    EXPECT_FALSE(entries[1].answering);
    EXPECT_EQ(entries[1].reply, entries[0].reply);
    EXPECT_EQ(entries[1].lastAnswer, printer_->String(simstore::LastAnswerValue));
    // Asked again while silent: no new line.
    Query();
    EXPECT_EQ(Journal().size(), 2u);

    simtest::ProgramRun run = simtest::RunProgram(std::string("pqif.exe status ") + kPrinter);
    EXPECT_NE(run.out.find("Last answer:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("K 80"), std::string::npos) << run.out;

    ASSERT_TRUE(snmptest::ReadyPrinter().Write());
    EXPECT_TRUE(snmptest::WaitUntil([&] { return Query().result == PQIF_RESULT_READY; }, 15000));
    EXPECT_EQ(Journal().size(), 3u);
}

TEST_F(SnmpStatusQueryTest, APrinterThatNeverAnsweredFailsAsBefore) {
    simtest::ProgramRun run = simtest::RunProgram(std::string("simprinter.exe snmp ") + kPrinter +
                                                  " 127.0.0.1:9 --timeout 300 --retries 0");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    ULONGLONG start = ::GetTickCount64();
    Outputs o = Query();
    EXPECT_LT(::GetTickCount64() - start, 2000u);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_NOT_AVAILABLE);
    EXPECT_EQ(o.activity, 0);
    EXPECT_TRUE(Journal().empty());
    EXPECT_TRUE(printer_->String(simstore::LastAnswerValue).empty());
}

TEST_F(SnmpStatusQueryTest, AnAsleepPrinterIsOfflineAndJournalledOnce) {
    ASSERT_EQ(Query().result, PQIF_RESULT_READY);
    ASSERT_TRUE(snmptest::ReadyPrinter().Alert(1, 4, 6, 1, 23).Write());
    for (int i = 0; i < 3; ++i) {
        Outputs o = Query();
        EXPECT_EQ(o.state, 5);
        EXPECT_EQ(o.result, PQIF_RESULT_ERROR);
    }
    std::vector<journal::Entry> entries = Journal();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[1].asleep);
    EXPECT_TRUE(entries[1].answering);
    EXPECT_NE(entries[1].reply.find("ST:05;"), std::string::npos);
}

TEST_F(SnmpStatusQueryTest, PqifHistoryShowsEachChangeAndWatchFollowsThem) {
    ASSERT_EQ(Query().result, PQIF_RESULT_READY);
    ASSERT_TRUE(With("08 00", 5, 1).SixInks({80, 70, 60, 50, 40, 30}).Write());
    ASSERT_EQ(Query().result, PQIF_RESULT_COVER_OPEN);

    simtest::ProgramRun run = simtest::RunProgram(std::string("pqif.exe history ") + kPrinter);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("ready  status 1, result 1  ink K 80 C 70"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("cover open  status 32, result 6"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("reasons: door-open"), std::string::npos) << run.out;

    run = simtest::RunProgram(std::string("pqif.exe history ") + kPrinter + " --json --since 1h");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    std::size_t second = run.out.find('\n') + 1;
    EXPECT_EQ(run.out.find("{\"time\":"), 0u) << run.out;
    EXPECT_NE(run.out.find("\"statusNumber\":32,\"resultCode\":6", second), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"ink\":[80,70,60,50,40,30]"), std::string::npos) << run.out;
    // Nothing after a time in the future; a TIME that is none is refused.
    run = simtest::RunProgram(std::string("pqif.exe history ") + kPrinter + " --since 2999-01-01");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.out, "");
    run = simtest::RunProgram(std::string("pqif.exe history ") + kPrinter + " --since yesterday");
    EXPECT_EQ(run.exitCode, 2u);
    run = simtest::RunProgram("pqif.exe history NoSuchSnmpPrinter --json");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.out.find("{\"error\":"), 0u) << run.out;

    // watch: one JSON line per change from the moment it starts; its own
    // queries are what ask the printer.
    ASSERT_TRUE(snmptest::ReadyPrinter().Write());
    simtest::CallCounter asked("KLGetStatus");
    simtest::ProgramRun watched;
    std::thread watcher([&] {
        watched =
            simtest::RunProgram(std::string("pqif.exe watch ") + kPrinter + " --json --count 2");
    });
    EXPECT_TRUE(snmptest::WaitUntil([&] { return asked.Delta() > 0; }, 20000));
    EXPECT_TRUE(snmptest::WaitUntil([&] { return Journal().size() == 3; }, 20000));
    ASSERT_TRUE(With("40 00", 5, 1).SixInks({80, 70, 60, 50, 40, 30}).Write());
    watcher.join();
    EXPECT_EQ(watched.exitCode, 0u) << watched.err;
    std::size_t newline = watched.out.find('\n');
    ASSERT_NE(newline, std::string::npos) << watched.out;
    EXPECT_NE(watched.out.substr(0, newline).find("\"statusNumber\":1,"), std::string::npos)
        << watched.out;
    EXPECT_NE(watched.out.find("\"statusNumber\":5,", newline), std::string::npos) << watched.out;
}

} // namespace
