#pragma once
#include <string>

#include "IppMessage.h"
#include "IppUri.h"

// One IPP request over HTTP on Winsock, bounded in time: connecting, sending
// and receiving share one deadline, so an unanswering printer costs at most
// timeoutMs. Windows only.
namespace ipp {

enum class ExchangeResult { Ok, BadUri, Unreachable, Timeout, HttpError, BadResponse };

ExchangeResult Exchange(const std::string& uri, const Message& request, Message& response,
                        unsigned timeoutMs);

const char* ExchangeResultText(ExchangeResult result);

} // namespace ipp
