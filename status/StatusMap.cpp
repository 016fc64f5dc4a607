#include "status/StatusMap.h"

namespace {
struct Mapping {
    int resultCode;
    int itemNumber;
};

Mapping Map(int n) {
    switch (n) {
    case 0:
    case 8:
    case 35:
        return {11, 11};
    case 1:
        return {1, 1};
    case 2:
    case 3:
    case 4:
    case 19:
        return {10, 12};
    case 5:
    case 25:
    case 26:
    case 28:
        return {3, 12};
    case 10:
    case 22:
    case 24:
        return {15, 12};
    case 11:
        return {999, 999};
    case 12:
    case 13:
    case 20:
        return {9, 9};
    case 18:
        return {14, 12};
    case 23:
        return {15, 15};
    case 32:
        return {6, 12};
    case 33:
        return {13, 13};
    case 36:
        return {14, 14};
    default:
        return {12, 12};
    }
}
} // namespace

void MapStatusNumber(int statusNumber, int* resultCode, int* itemNumber) {
    Mapping m = Map(statusNumber);
    if (resultCode)
        *resultCode = m.resultCode;
    if (itemNumber)
        *itemNumber = m.itemNumber;
}
