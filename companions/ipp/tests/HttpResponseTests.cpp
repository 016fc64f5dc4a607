#include <gtest/gtest.h>

#include "HttpResponse.h"

namespace {

ipp::HttpParse Parse(const std::string& s, bool closed, ipp::HttpResponse& r) {
    return ipp::ParseHttpResponse(s.data(), s.size(), closed, r);
}

TEST(HttpResponse, ContentLengthBodyArrivesInPieces) {
    std::string full =
        "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: 5\r\n\r\nhello";
    ipp::HttpResponse r;
    for (std::size_t n = 0; n < full.size(); ++n)
        EXPECT_EQ(Parse(full.substr(0, n), false, r), ipp::HttpParse::NeedMore) << n;
    ASSERT_EQ(Parse(full, false, r), ipp::HttpParse::Complete);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.contentType, "application/ipp");
    EXPECT_EQ(r.body, "hello");
    // Cut short by the peer.
    EXPECT_EQ(Parse(full.substr(0, full.size() - 1), true, r), ipp::HttpParse::Malformed);
}

TEST(HttpResponse, ChunkedBodyWithExtensionsAndTrailer) {
    std::string full = "HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n"
                       "3;x=y\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n";
    ipp::HttpResponse r;
    EXPECT_EQ(Parse(full.substr(0, full.size() - 2), false, r), ipp::HttpParse::NeedMore);
    ASSERT_EQ(Parse(full, false, r), ipp::HttpParse::Complete);
    EXPECT_EQ(r.body, "abc0123456789");
}

TEST(HttpResponse, BodyUntilCloseAndBodilessAnswers) {
    ipp::HttpResponse r;
    std::string open = "HTTP/1.0 200 OK\r\n\r\npartial";
    EXPECT_EQ(Parse(open, false, r), ipp::HttpParse::NeedMore);
    ASSERT_EQ(Parse(open, true, r), ipp::HttpParse::Complete);
    EXPECT_EQ(r.body, "partial");
    ASSERT_EQ(Parse("HTTP/1.1 100 Continue\r\n\r\n", false, r), ipp::HttpParse::Complete);
    EXPECT_EQ(r.status, 100);
}

TEST(HttpResponse, HostileAnswersAreRefused) {
    ipp::HttpResponse r;
    EXPECT_EQ(Parse("SMTP ready\r\n\r\n", false, r), ipp::HttpParse::Malformed);
    EXPECT_EQ(Parse("HTTP/1.1 2x0 OK\r\n\r\n", false, r), ipp::HttpParse::Malformed);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nno colon here\r\n\r\n", false, r),
              ipp::HttpParse::Malformed);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, r),
              ipp::HttpParse::Malformed);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n", false, r),
              ipp::HttpParse::TooLarge);
    EXPECT_EQ(
        Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFF\r\n", false, r),
        ipp::HttpParse::TooLarge);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, r),
              ipp::HttpParse::Malformed);
    EXPECT_EQ(Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabX", false, r),
              ipp::HttpParse::Malformed);
    std::string endless = "HTTP/1.1 200 OK\r\n" + std::string(ipp::kMaxHttpHeader, 'a');
    EXPECT_EQ(Parse(endless, false, r), ipp::HttpParse::TooLarge);
}

TEST(HttpResponse, PostNamesHostPortPathAndLength) {
    std::string post = ipp::MakeIppPost("127.0.0.1", 8631, "/ipp/print", 42);
    EXPECT_EQ(post, "POST /ipp/print HTTP/1.1\r\nHost: 127.0.0.1:8631\r\n"
                    "Content-Type: application/ipp\r\nContent-Length: 42\r\n"
                    "Connection: close\r\n\r\n");
}

} // namespace
