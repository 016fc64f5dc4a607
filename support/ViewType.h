#pragma once

// The monitor window's views. Also the number the window passes down to the
// channel repair, which behaves differently per view.
enum ViewType : int {
    VIEW_NONE = 0,
    VIEW_POPUP = 1,
    VIEW_DETAIL = 2,
    VIEW_PROGRESS = 3,
};
