#include <gtest/gtest.h>

#include <string>

#include "IppTestSupport.h"
#include "V_PQIF07.h"
#include "companions/klapi/SimStore.h"
#include "device/KLApiBinding.h"
#include "support/Registry.h"
#include "tests/common/SimTestSupport.h"
#include "tests/status/TestPrinterKeys.h"

namespace {

constexpr const char* kPrinter = "IppQuery_K7";
constexpr const char* kModel = "Vorne Kestrel K7";

// Six inks in the order of the monitor's ink controls, at comfortable levels.
const std::string kSixInks =
    "ATTR: marker-names=Black,Cyan,Magenta,Yellow,LightCyan,LightMagenta "
    "marker-colors=#000000,#00FFFF,#FF00FF,#FFFF00,#80FFFF,#FF80FF "
    "marker-types=ink-cartridge,ink-cartridge,ink-cartridge,ink-cartridge,ink-cartridge,"
    "ink-cartridge marker-low-levels=15,15,15,15,15,15 marker-levels=80,70,60,50,40,30\n";
// The same six inks and a maintenance box with this much room left in it.
std::string WithWasteBox(int room, const char* reasons = "") {
    return std::string(*reasons ? std::string("STATE: +") + reasons + "\n" : "") +
           "ATTR: marker-names=Black,Cyan,Magenta,Yellow,LightCyan,LightMagenta,Box "
           "marker-types=ink-cartridge,ink-cartridge,ink-cartridge,ink-cartridge,ink-cartridge,"
           "ink-cartridge,waste-ink marker-levels=80,70,60,50,40,30," +
           std::to_string(room) + "\n";
}
const std::string kClearReasons =
    "STATE: -cover-open,media-needed,media-jam,marker-supply-low,marker-supply-empty,"
    "marker-waste-almost-full,paused\n";

struct Outputs {
    LONG rc = -77, result = -77, state = -77, sound = -77, notify = -77, activity = -77;
};

// A printer key and a simulated printer that answers from the loopback IPP
// printer; each condition is set on the real printer and read back through the
// status query.
class IppStatusQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ipptest::PrinterUri().empty()) << "PQIF_IPP_URI is not set";
        ASSERT_TRUE(Condition(kClearReasons + kSixInks, nullptr));
        key_ = keys_.Add(SelectByPrinter, "ipp", kPrinter);
        printer_->SetString(simstore::IppUriValue, ipptest::PrinterUri());
        printer_->SetDword(simstore::IppTimeoutValue, 1500);
        ASSERT_TRUE(binding_.IsInitialized());
        channel_ = binding_.KLOpenChannel(1, kPrinter, PQIF_CHANNEL_PREFERRED);
        ASSERT_NE(channel_, 0);
    }
    void TearDown() override {
        if (channel_)
            binding_.KLCloseChannel(channel_);
        ipptest::PrintStateScript(kClearReasons + kSixInks);
    }

    Outputs Query() {
        // Ask the printer afresh rather than within the refresh interval.
        printer_->SetDword(simstore::IppPolledAtValue, 0);
        Outputs o;
        o.rc = PrGetStatusB(0, PQIF_CHANNEL_PREFERRED, channel_, &o.result, &o.state, &o.sound,
                            &o.notify, kPrinter, "", 0, kModel, &o.activity);
        return o;
    }
    // Sets the condition and waits until the printer reports it, idle again
    // after the script's own job.
    bool Condition(const std::string& script, const char* reason) {
        if (!ipptest::PrintStateScript(script))
            return false;
        return ipptest::WaitUntil(
            [&] {
                ipp::PrinterSnapshot s;
                if (!ipptest::Snapshot(s) || s.state != 3)
                    return false;
                if (!reason)
                    return s.reasons.empty();
                for (const std::string& r : s.reasons)
                    if (r == reason)
                        return true;
                return false;
            },
            8000);
    }

    TargetKeys keys_;
    std::string key_;
    simtest::SimulatedPrinter printer_{kPrinter};
    KLApiBinding binding_;
    int channel_ = 0;
};

TEST_F(IppStatusQueryTest, EachPrinterConditionGivesItsResult) {
    struct Row {
        const char* name;
        std::string script;
        const char* reason; // what the printer then reports
        LONG result;
        LONG item; // read back through the key's "Notify" value the test sets
        LONG state;
    } rows[] = {
        {"ready", "", nullptr, PQIF_RESULT_READY, PQIF_ITEM_READY, 4},
        {"paper out", "STATE: +media-needed\n", "media-needed", PQIF_RESULT_PAPER_ERROR,
         PQIF_ITEM_ERROR, 0},
        {"paper jam", "STATE: +media-jam\n", "media-jam", PQIF_RESULT_ERROR, PQIF_ITEM_ERROR, 0},
        {"cover open", "STATE: +cover-open\n", "cover-open", PQIF_RESULT_COVER_OPEN,
         PQIF_ITEM_ERROR, 0},
        {"ink low (cyan)", "STATE: +marker-supply-low\nATTR: marker-levels=80,10,60,50,40,30\n",
         "marker-supply-low", PQIF_RESULT_INK_LOW, PQIF_ITEM_INK_LOW, 4},
        {"ink out (magenta)", "STATE: +marker-supply-empty\nATTR: marker-levels=80,70,0,50,40,30\n",
         "marker-supply-empty", PQIF_RESULT_INK_OUT, PQIF_ITEM_ERROR, 0},
        {"ink pad", "STATE: +marker-waste-almost-full\n", "marker-waste-almost-full",
         PQIF_RESULT_MAINTENANCE, PQIF_ITEM_MAINTENANCE, 4},
        {"offline", "STATE: +paused\n", "paused", PQIF_RESULT_ERROR, PQIF_ITEM_ERROR, 5},
        // Supplies read as a person would.
        {"ink pad by the box's level", WithWasteBox(5), nullptr, PQIF_RESULT_MAINTENANCE,
         PQIF_ITEM_MAINTENANCE, 4},
        {"a full box is no ink out", WithWasteBox(0, "marker-supply-empty"), "marker-supply-empty",
         PQIF_RESULT_MAINTENANCE, PQIF_ITEM_MAINTENANCE, 4},
        {"unknown levels are not ink out", "ATTR: marker-levels=-1,-2,-3,50,40,30\n", nullptr,
         PQIF_RESULT_READY, PQIF_ITEM_READY, 4},
        {"several reasons at once", "STATE: +media-jam,cover-open,marker-supply-low\n", "media-jam",
         PQIF_RESULT_COVER_OPEN, PQIF_ITEM_ERROR, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(Condition(kClearReasons + kSixInks + row.script, row.reason));
        // The item is told apart by its notification setting.
        {
            Registry notify(HKEY_CURRENT_USER, (key_ + "\\Notify").c_str(), true);
            char name[8];
            std::snprintf(name, sizeof name, "%03ld", row.item);
            EXPECT_TRUE(notify.SetDword(name, 1));
        }
        Outputs o = Query();
        EXPECT_EQ(o.rc, 1);
        EXPECT_EQ(o.result, row.result);
        EXPECT_EQ(o.state, row.state);
        EXPECT_EQ(o.notify, 1);
        EXPECT_EQ(o.activity, 1);
        Registry(HKEY_CURRENT_USER, key_.c_str(), false, KEY_ALL_ACCESS).DeleteKey("Notify");
    }
}

TEST_F(IppStatusQueryTest, APrinterThatStopsAnsweringTakesTheFailureStep) {
    ASSERT_EQ(Query().result, PQIF_RESULT_READY);
    printer_->SetString(simstore::IppUriValue, "ipp://127.0.0.1:1/ipp/print");
    ULONGLONG start = ::GetTickCount64();
    Outputs o = Query();
    EXPECT_LT(::GetTickCount64() - start, 3000u);
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.result, PQIF_RESULT_NOT_AVAILABLE);
    EXPECT_EQ(o.activity, 0);
    Registry key(HKEY_CURRENT_USER, key_.c_str());
    EXPECT_EQ(key.GetDword("ComStatus", 9), 0u);
}

} // namespace
