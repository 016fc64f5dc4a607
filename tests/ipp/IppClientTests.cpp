#include <gtest/gtest.h>

#include "IppClient.h"
#include "IppTestSupport.h"

namespace {

ipp::ExchangeResult Ask(const std::string& uri, unsigned timeoutMs = 2000) {
    ipp::Message answer;
    return ipp::Exchange(uri, ipp::MakeRequest(ipp::kOpGetPrinterAttributes, 1, uri), answer,
                         timeoutMs);
}

std::string Http(const std::string& body, const std::string& extraHeaders = "") {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

TEST(IppClient, TheTestPrinterAnswersWithItsModel) {
    ASSERT_FALSE(ipptest::PrinterUri().empty()) << "PQIF_IPP_URI is not set (scripts/ipp start)";
    ipp::PrinterSnapshot s;
    ASSERT_TRUE(ipptest::Snapshot(s));
    EXPECT_EQ(s.makeAndModel, "Vorne Kestrel K7");
    EXPECT_FALSE(s.markers.empty());
}

TEST(IppClient, MalformedAnswersAreRefusedWithoutCrash) {
    const std::string head("\x02\x00\x00\x00\x00\x00\x00\x01", 8);
    struct Case {
        std::string answer;
        ipp::ExchangeResult expected;
    } cases[] = {
        {Http(head.substr(0, 5)), ipp::ExchangeResult::BadResponse}, // truncated
        {Http(head + std::string("\x04\x21\xFF\xFF", 4)), ipp::ExchangeResult::BadResponse},
        // A length the body does not have.
        {"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n" + head, ipp::ExchangeResult::BadResponse},
        {"HTTP/1.1 200 OK\r\nContent-Length: 999999999\r\n\r\nabc",
         ipp::ExchangeResult::BadResponse},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFF\r\nab",
         ipp::ExchangeResult::BadResponse},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", ipp::ExchangeResult::HttpError},
        {"garbage", ipp::ExchangeResult::BadResponse},
        {"", ipp::ExchangeResult::BadResponse},
    };
    // A huge value count: one attribute with far more values than allowed.
    std::string many = head + "\x04" + std::string("\x44\x00\x01k\x00\x01v", 7);
    for (int i = 0; i < 2000; ++i)
        many += std::string("\x44\x00\x00\x00\x01v", 6);
    many += "\x03";
    for (const Case& c : cases) {
        ipptest::ScriptedServer server(c.answer);
        EXPECT_EQ(Ask(server.Uri()), c.expected) << c.answer.substr(0, 40);
    }
    ipptest::ScriptedServer server(Http(many));
    EXPECT_EQ(Ask(server.Uri()), ipp::ExchangeResult::BadResponse);
}

TEST(IppClient, AnInterimAnswerInTheSamePieceAsTheFinalOneIsSkipped) {
    // Bare line feeds, as some embedded servers send them.
    const std::string ok = std::string("\x02\x00\x00\x00\x00\x00\x00\x01", 8) + "\x03";
    ipptest::ScriptedServer server("HTTP/1.1 100 Continue\n\nHTTP/1.1 200 OK\nContent-Length: " +
                                   std::to_string(ok.size()) + "\n\n" + ok);
    EXPECT_EQ(Ask(server.Uri()), ipp::ExchangeResult::Ok);
}

TEST(IppClient, ASilentPrinterCostsNoMoreThanTheTimeout) {
    ipptest::ScriptedServer server("", true);
    ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(Ask(server.Uri(), 700), ipp::ExchangeResult::Timeout);
    ULONGLONG spent = ::GetTickCount64() - start;
    EXPECT_GE(spent, 600u);
    EXPECT_LT(spent, 3000u);
}

TEST(IppClient, NobodyListeningIsUnreachableAndBadUrisAreRefused) {
    EXPECT_EQ(Ask("ipp://127.0.0.1:1/ipp/print"), ipp::ExchangeResult::Unreachable);
    EXPECT_EQ(Ask("ipp://127.0.0.1:631/x\r\nEvil: 1"), ipp::ExchangeResult::BadUri);
}

} // namespace
