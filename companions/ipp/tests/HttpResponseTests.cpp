#include <gtest/gtest.h>

#include <algorithm>

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
    ASSERT_EQ(Parse("HTTP/1.1 204 No Content\r\n\r\n", false, r), ipp::HttpParse::Complete);
    EXPECT_EQ(r.status, 204);
}

TEST(HttpResponse, PiecesOfAnySizeGiveTheSameAnswer) {
    const std::string answers[] = {
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
        "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n"
        "3;ext\nabc\r\n1\r\nd\n0\r\nX-T: 1\r\n\r\n",
        "HTTP/1.0 200 OK\r\nContent-Type: application/ipp\r\n\r\nuntil close",
    };
    for (const std::string& answer : answers) {
        ipp::HttpResponse whole;
        const ipp::HttpParse expected = Parse(answer, true, whole);
        ASSERT_EQ(expected, ipp::HttpParse::Complete) << answer;
        for (std::size_t piece : {1u, 2u, 3u, 7u, 64u}) {
            ipp::HttpResponseReader reader;
            ipp::HttpParse p = ipp::HttpParse::NeedMore;
            for (std::size_t at = 0; at < answer.size(); at += piece)
                p = reader.Feed(answer.data() + at, std::min(piece, answer.size() - at));
            if (p == ipp::HttpParse::NeedMore)
                p = reader.Finish();
            EXPECT_EQ(p, expected) << piece << " " << answer;
            EXPECT_EQ(reader.Response().status, whole.status);
            EXPECT_EQ(reader.Response().contentType, whole.contentType);
            EXPECT_EQ(reader.Response().body, whole.body) << piece;
        }
    }
    // Bytes after a complete answer change nothing.
    ipp::HttpResponseReader reader;
    const std::string done = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokEXTRA";
    EXPECT_EQ(reader.Feed(done.data(), done.size()), ipp::HttpParse::Complete);
    EXPECT_EQ(reader.Feed("more", 4), ipp::HttpParse::Complete);
    EXPECT_EQ(reader.Response().body, "ok");
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
    EXPECT_EQ(
        Parse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc", false, r),
        ipp::HttpParse::Malformed);
    EXPECT_EQ(Parse("HTTP/1.1 101 Switching Protocols\r\n\r\n", false, r),
              ipp::HttpParse::Malformed);
    std::string interims;
    for (int i = 0; i <= ipp::kMaxHttpInterimAnswers; ++i)
        interims += "HTTP/1.1 100 Continue\r\n\r\n";
    EXPECT_EQ(Parse(interims, false, r), ipp::HttpParse::Malformed);
    std::string endless = "HTTP/1.1 200 OK\r\n" + std::string(ipp::kMaxHttpHeader, 'a');
    EXPECT_EQ(Parse(endless, false, r), ipp::HttpParse::TooLarge);
}

TEST(HttpResponse, PostNamesHostPortPathAndLength) {
    std::string post = ipp::MakeIppPost("127.0.0.1", 8631, "/ipp/print", 42);
    EXPECT_EQ(post, "POST /ipp/print HTTP/1.1\r\nHost: 127.0.0.1:8631\r\n"
                    "Content-Type: application/ipp\r\nContent-Length: 42\r\n"
                    "Connection: close\r\n\r\n");
}

// The faults a broken or hostile printer could use, one each.
TEST(HttpResponse, AnInterimAnswerEndingInBareLineFeedsKeepsTheFinalOne) {
    ipp::HttpResponse r;
    const std::string both = "HTTP/1.1 100 Continue\n\nHTTP/1.1 200 OK\nContent-Length: 2\n\nhi";
    ASSERT_EQ(Parse(both, false, r), ipp::HttpParse::Complete);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "hi");
    // An interim answer alone is not the answer.
    EXPECT_EQ(Parse("HTTP/1.1 100 Continue\r\n\r\n", false, r), ipp::HttpParse::NeedMore);
    EXPECT_EQ(Parse("HTTP/1.1 100 Continue\r\n\r\n", true, r), ipp::HttpParse::Malformed);
}

TEST(HttpResponse, ChunkedTrailersAreBounded) {
    ipp::HttpResponse r;
    const std::string head =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n";
    std::string fields = head;
    while (fields.size() < 2 * ipp::kMaxHttpHeader)
        fields += "X-Trailer: 1\r\n";
    EXPECT_EQ(Parse(fields, false, r), ipp::HttpParse::TooLarge);
    EXPECT_EQ(Parse(head + std::string(ipp::kMaxHttpHeader + 1, 'x'), false, r),
              ipp::HttpParse::TooLarge);
}

TEST(HttpResponse, HeaderFieldCountIsBounded) {
    ipp::HttpResponse r;
    std::string many = "HTTP/1.1 200 OK\r\n";
    for (std::size_t i = 0; i <= ipp::kMaxHttpHeaderFields; ++i)
        many += "A: 1\r\n";
    EXPECT_EQ(Parse(many + "Content-Length: 0\r\n\r\n", false, r), ipp::HttpParse::TooLarge);
}

TEST(HttpResponse, ChunkFramingIsBoundedNotOnlyTheBody) {
    // A byte of body per kilobyte of chunk extensions.
    ipp::HttpResponse r;
    std::string chunk = "1;" + std::string(1000, 'e') + "\r\nx\r\n";
    std::string answer = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    while (answer.size() < ipp::kMaxHttpBody + 64 * 1024)
        answer += chunk;
    EXPECT_EQ(Parse(answer + "0\r\n\r\n", false, r), ipp::HttpParse::TooLarge);
}

} // namespace
