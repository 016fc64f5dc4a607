#include <gtest/gtest.h>

#include "IppUri.h"

namespace {

TEST(IppUri, HostPortAndPath) {
    ipp::IppUri u;
    ASSERT_TRUE(ipp::ParseIppUri("ipp://127.0.0.1:8631/ipp/print", u));
    EXPECT_EQ(u.host, "127.0.0.1");
    EXPECT_EQ(u.port, 8631);
    EXPECT_EQ(u.path, "/ipp/print");
    ASSERT_TRUE(ipp::ParseIppUri("ipp://printer.local", u));
    EXPECT_EQ(u.port, 631);
    EXPECT_EQ(u.path, "/");
}

TEST(IppUri, RefusesWhatCannotGoIntoARequestLine) {
    ipp::IppUri u;
    for (const char* bad :
         {"", "ipp://", "ftp://h/x", "ipp://h:0/", "ipp://h:65536/", "ipp://h:12a/",
          "ipp://user@h/", "ipp://h/ a", "ipp://h/\r\nX-Evil: 1", "ipp://:631/"})
        EXPECT_FALSE(ipp::ParseIppUri(bad, u)) << bad;
}

} // namespace
