#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A small encoder and decoder of IPP messages (the binary body of an
// application/ipp request or response). Pure: it interprets bytes only.
namespace ipp {

enum : uint8_t {
    kOperationGroup = 0x01,
    kJobGroup = 0x02,
    kEndOfAttributes = 0x03,
    kPrinterGroup = 0x04,
    kUnsupportedGroup = 0x05,

    kTagUnsupported = 0x10,
    kTagUnknown = 0x12,
    kTagNoValue = 0x13,
    kTagInteger = 0x21,
    kTagBoolean = 0x22,
    kTagEnum = 0x23,
    kTagOctetString = 0x30,
    kTagDateTime = 0x31,
    kTagResolution = 0x32,
    kTagRange = 0x33,
    kTagBeginCollection = 0x34,
    kTagTextWithLanguage = 0x35,
    kTagNameWithLanguage = 0x36,
    kTagEndCollection = 0x37,
    kTagText = 0x41,
    kTagName = 0x42,
    kTagKeyword = 0x44,
    kTagUri = 0x45,
    kTagUriScheme = 0x46,
    kTagCharset = 0x47,
    kTagNaturalLanguage = 0x48,
    kTagMimeMediaType = 0x49,
    kTagMemberName = 0x4A,
};

// Operations and status codes used here.
enum : uint16_t {
    kOpPrintJob = 0x0002,
    kOpCancelJob = 0x0008,
    kOpGetJobAttributes = 0x0009,
    kOpGetJobs = 0x000A,
    kOpGetPrinterAttributes = 0x000B,
    kOpHoldJob = 0x000C,
    kOpReleaseJob = 0x000D,
    kStatusOk = 0x0000,
    kStatusBusy = 0x0507, // server-error-busy
};

struct Value {
    uint8_t tag = 0;
    std::string bytes;

    // integer and enum values are 4 big-endian bytes; anything else gives the fallback.
    int32_t AsInteger(int32_t fallback = 0) const;
    bool IsInteger() const { return (tag == kTagInteger || tag == kTagEnum) && bytes.size() == 4; }
};

struct Attribute {
    std::string name;
    std::vector<Value> values;
};

struct Group {
    uint8_t tag = 0;
    std::vector<Attribute> attributes;
};

struct Message {
    uint8_t versionMajor = 2;
    uint8_t versionMinor = 0;
    uint16_t code = 0; // operation id in a request, status code in a response
    int32_t requestId = 1;
    std::vector<Group> groups;
    std::string data; // what follows the end-of-attributes tag

    // The first attribute of that name in the first group with that tag.
    const Attribute* Find(uint8_t groupTag, const std::string& name) const;
    // Every group with that tag (Get-Jobs answers with one job group per job).
    std::vector<const Group*> GroupsOf(uint8_t groupTag) const;

    Group& AddGroup(uint8_t tag);
};

// Helpers to build attributes for requests.
void AddString(Group& group, uint8_t tag, const std::string& name, const std::string& value);
void AddInteger(Group& group, uint8_t tag, const std::string& name, int32_t value);
void AddValue(Attribute& attribute, uint8_t tag, const std::string& value);
const Attribute* FindIn(const Group& group, const std::string& name);

// The standard first attributes of a request: charset, language, target URI.
Message MakeRequest(uint16_t operation, int32_t requestId, const std::string& printerUri);

std::string Encode(const Message& message);

enum class DecodeResult { Ok, Truncated, Malformed, TooLarge };

// Limits that keep a hostile answer from costing more than its own size.
constexpr std::size_t kMaxGroups = 4096;
constexpr std::size_t kMaxAttributes = 4096;
constexpr std::size_t kMaxValuesPerAttribute = 1024;
constexpr std::size_t kMaxValues = 65536;

DecodeResult Decode(const uint8_t* data, std::size_t length, Message& out);

} // namespace ipp
