#include "monitor/StatusDisplay.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

struct StatusRow {
    int status;
    StatusDisplay display;
};

const StatusRow kStatusTable[] = {
    {0, {MessageNoReply, PictureKindNoReply}},
    {1, {3004, 1}},
    {2, {MessageInkOut, 10}},
    {3, {MessageInkOut, 2}},
    {4, {MessageInkOut, 8}},
    {5, {3012, 3}},
    {6, {3010, 4}},
    {8, {MessageNoReply, 6}},
    {9, {3014, 7}},
    {10, {3023, 1}},
    {11, {3002, 1}},
    {12, {MessageInkLow, 10}},
    {13, {MessageInkLow, 10}},
    {14, {3006, 7}},
    {15, {3014, 7}},
    {16, {3025, 7}},
    {17, {3001, 1}},
    {18, {3007, 1}},
    {19, {3026, 1}},
    {20, {MessageInkLow, 10}},
    {21, {3005, 17}},
    {22, {3034, 1}},
    {23, {3036, 1}},
    {24, {3037, 1}},
    {25, {3044, 12}},
    {26, {3045, 12}},
    {27, {3046, 13}},
    {28, {3047, 19}},
    {29, {3048, 14}},
    {30, {3049, 15}},
    {31, {3050, 16}},
    {32, {3008, 11}},
    {33, {3042, 18}},
    {34, {3043, 3}},
    {36, {MessageUnreadable, PictureKindUnreadable}},
};

struct PictureRow {
    int kinds[3];
    unsigned ids[3];
};

// Kind 0 ends a kind list; id 0 ends an id list.
const PictureRow kPictureTable[] = {
    {{1, 9, 0}, {510, 0, 0}},    {{2, 8, 10}, {526, 527, 0}}, {{3, 0, 0}, {534, 535, 0}},
    {{6, 0, 0}, {516, 517, 0}},  {{7, 17, 0}, {559, 560, 0}}, {{11, 0, 0}, {521, 522, 0}},
    {{12, 0, 0}, {549, 550, 0}}, {{13, 0, 0}, {544, 545, 0}}, {{14, 15, 0}, {539, 540, 541}},
    {{16, 0, 0}, {557, 558, 0}}, {{18, 0, 0}, {561, 0, 0}},   {{19, 0, 0}, {554, 555, 556}},
};

// Ink pictures in the order they are appended, each with the two mask bits
// (warning and empty) that call for it.
struct InkPicture {
    unsigned id;
    std::uint32_t bits;
};
const InkPicture kInkPictures[] = {
    {528, 0x0041}, {533, 0x0082}, {531, 0x0104}, {532, 0x0410}, {530, 0x0820}, {529, 0x0208},
};

struct MediaRow {
    std::int16_t code;
    unsigned id;
};
const MediaRow kMediaTable[] = {
    {1, 1562},   {2, 1567},   {257, 1563}, {258, 1565}, {259, 1566}, {260, 1564}, {261, 1568},
    {262, 1569}, {264, 1571}, {266, 1573}, {267, 1574}, {268, 1575}, {271, 1578}, {272, 1581},
};
constexpr unsigned kMediaOther = 1561;

constexpr int kDefaultIdleInterval = 10;
constexpr int kMinIdleInterval = 2;
constexpr int kMaxIdleInterval = 60;

} // namespace

StatusDisplay StatusDisplayFor(int statusNumber) {
    const auto row = std::find_if(std::begin(kStatusTable), std::end(kStatusTable),
                                  [&](const StatusRow& r) { return r.status == statusNumber; });
    return row != std::end(kStatusTable) ? row->display : StatusDisplay{MessageUnknown, 7};
}

std::vector<int> InkLinesFor(unsigned messageId, std::uint32_t mask, bool* alone) {
    std::vector<int> inks;
    if (alone)
        *alone = false;
    if (messageId == MessageInkOut) {
        if ((mask & AllInksBit) || !(mask & UpperInkBits)) {
            if (alone)
                *alone = true;
            return inks;
        }
        for (int ink = 0; ink < InkCount; ++ink)
            if (mask & (0x0040u << ink))
                inks.push_back(ink);
    } else if (messageId == MessageInkLow && !(mask & AllInksBit)) {
        for (int ink = 0; ink < InkCount; ++ink)
            if (mask & (0x0001u << ink))
                inks.push_back(ink);
    }
    return inks;
}

bool IsInkPictureKind(int kind) {
    return kind == 2 || kind == 8 || kind == 10;
}

std::vector<unsigned> PictureIdsForKind(int kind, std::uint32_t mask) {
    std::vector<unsigned> ids;
    for (const PictureRow& row : kPictureTable) {
        bool match = false;
        for (int k : row.kinds)
            match = match || (k != 0 && k == kind);
        if (!match)
            continue;
        for (unsigned id : row.ids)
            if (id != 0)
                ids.push_back(id);
        break;
    }
    if (ids.empty())
        return {MessageUnknown};
    if (IsInkPictureKind(kind)) {
        const std::size_t fixed = ids.size();
        if (!(mask & AllInksBit))
            for (const InkPicture& ink : kInkPictures)
                if (mask & ink.bits)
                    ids.push_back(ink.id);
        if (ids.size() == fixed)
            for (const InkPicture& ink : kInkPictures)
                ids.push_back(ink.id);
    }
    return ids;
}

unsigned MediaTypeStringId(std::int16_t code) {
    const auto row = std::find_if(std::begin(kMediaTable), std::end(kMediaTable),
                                  [&](const MediaRow& r) { return r.code == code; });
    return row != std::end(kMediaTable) ? row->id : kMediaOther;
}

int ParseIdleInterval(const char* text) {
    long value = 0;
    for (const char* p = text; p && std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        value = value * 10 + (*p - '0');
        if (value > kMaxIdleInterval)
            return kDefaultIdleInterval; // also keeps a long run of digits from overflowing
    }
    if (value < kMinIdleInterval)
        return kDefaultIdleInterval;
    return static_cast<int>(value);
}

int ChooseStoredCoordinate(std::int64_t stored, int defaultValue, int limit, int extent,
                           bool* fellBack) {
    // 64-bit: a stored value near the 32-bit limit plus the window's extent must not wrap.
    const bool onScreen = stored <= limit && stored + extent >= 0;
    if (fellBack)
        *fellBack = !onScreen;
    return onScreen ? static_cast<int>(stored) : defaultValue;
}
