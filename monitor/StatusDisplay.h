#pragma once
// What the monitor window shows for a status number: the tables that turn a
// status number and an indicator mask into a message, a picture set and ink
// lines, the media-type names of the progress view, the idle-interval setting
// and the placement rule for stored window positions. Pure: no windows.h, so
// the tables are also tested natively.
#include <cstdint>
#include <vector>

// Message string id and picture kind of one status.
struct StatusDisplay {
    unsigned messageId;
    int pictureKind;
};

// Status numbers the window shows itself beyond the decoded ones.
constexpr int StatusNumberNoReply = 0;

constexpr unsigned MessageNoReply = 2002;
constexpr unsigned MessageUnreadable = 3058;
constexpr unsigned MessageEmptyText = 2101;
constexpr unsigned MessageRecordReply = 2102;
constexpr unsigned MessageInkOut = 3024;
constexpr unsigned MessageInkOutAll = 3011;
constexpr unsigned MessageInkLow = 3018;
constexpr unsigned MessageUnknown = 10000;
constexpr unsigned MessageGettingStatus = 2001;
constexpr unsigned FirstInkNameId = 3052; // 3052..3057 name the six inks in control order

constexpr int PictureKindReady = 1;
constexpr int PictureKindNoReply = 6;
constexpr int PictureKindUnreadable = 17;

// Indicator-mask groups: one bit per ink in the order of the ink controls.
constexpr std::uint32_t LowerInkBits = 0x003F;
constexpr std::uint32_t UpperInkBits = 0x0FC0;
constexpr std::uint32_t AllInksBit = 0x1000;
constexpr int InkCount = 6;

// The message and picture kind of a status number as the status table gives
// them (0 gives the no-reply display; numbers off the table give 10000 and 7).
StatusDisplay StatusDisplayFor(int statusNumber);

// The inks (0 to 5, control order) whose names follow a message: the upper
// group for 3024, the lower group for 3018; none for other messages or when
// bit 0x1000 is set. *alone is set when 3024 must be replaced by 3011 alone.
std::vector<int> InkLinesFor(unsigned messageId, std::uint32_t mask, bool* alone);

// The picture ids of a picture kind (ink pictures chosen by the mask for the
// ink kinds 2, 8 and 10). Kinds off the table give the single id 10000.
std::vector<unsigned> PictureIdsForKind(int kind, std::uint32_t mask);

// Kinds whose picture list depends on the indicator mask.
bool IsInkPictureKind(int kind);

// String id of a media-type code of the job details.
unsigned MediaTypeStringId(std::int16_t code);

// Idle interval in seconds from resource text: its leading decimal digits;
// anything outside 2..60 (or no digits) gives 10.
int ParseIdleInterval(const char* text);

// One coordinate of a stored window position: the stored one when it lies on
// the screen (not beyond limit, and not entirely before 0 with the window's
// extent), else the default. *fellBack tells which.
int ChooseStoredCoordinate(std::int64_t stored, int defaultValue, int limit, int extent,
                           bool* fellBack);
