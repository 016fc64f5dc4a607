#pragma once

// Result code and item number of a status number; unknown numbers (above 36,
// or negative) give 12 and 12.
void MapStatusNumber(int statusNumber, int* resultCode, int* itemNumber);
