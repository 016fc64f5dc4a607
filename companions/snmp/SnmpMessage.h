#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A small encoder and decoder of SNMP v1/v2c messages (BER). Pure: it
// interprets bytes only. Every length and count is checked against the bytes
// that are there and against fixed bounds before anything is read or reserved.
namespace snmp {

using Oid = std::vector<uint32_t>;

enum : uint8_t {
    kTagInteger = 0x02,
    kTagOctetString = 0x04,
    kTagNull = 0x05,
    kTagObjectId = 0x06,
    kTagSequence = 0x30,
    kTagIpAddress = 0x40,
    kTagCounter32 = 0x41,
    kTagGauge32 = 0x42,
    kTagTimeTicks = 0x43,
    kTagOpaque = 0x44,
    kTagCounter64 = 0x46,
    kTagNoSuchObject = 0x80,
    kTagNoSuchInstance = 0x81,
    kTagEndOfMibView = 0x82,

    kPduGet = 0xA0,
    kPduGetNext = 0xA1,
    kPduResponse = 0xA2,
};

enum : int {
    kVersion1 = 0,
    kVersion2c = 1,
};

// v1 error-status values that a walk has to tell apart.
enum : int {
    kErrorNone = 0,
    kErrorNoSuchName = 2,
};

// Bounds on what a decoded message may hold; an agent's answer to our small
// requests never comes near them.
constexpr std::size_t kMaxMessage = 65507; // the largest UDP payload
constexpr std::size_t kMaxVarBinds = 64;
constexpr std::size_t kMaxOidLength = 128;

struct Value {
    uint8_t tag = kTagNull;
    int64_t integer = 0; // INTEGER, Counter32, Gauge32, TimeTicks, Counter64 (low 63 bits)
    std::string bytes;   // OCTET STRING, IpAddress, Opaque
    Oid oid;             // OBJECT IDENTIFIER

    bool IsInteger() const;
    // No value at this name: v2c's noSuchObject/noSuchInstance/endOfMibView.
    bool IsException() const { return tag >= kTagNoSuchObject && tag <= kTagEndOfMibView; }
};

struct VarBind {
    Oid name;
    Value value;
};

struct Message {
    int version = kVersion2c;
    std::string community;
    uint8_t pdu = kPduGet;
    int32_t requestId = 0;
    int errorStatus = 0;
    int errorIndex = 0;
    std::vector<VarBind> varbinds;
};

enum class DecodeResult { Ok, Truncated, Malformed, TooLarge };

std::string Encode(const Message& message);
DecodeResult Decode(const uint8_t* data, std::size_t size, Message& out);
const char* DecodeResultText(DecodeResult result);

// "1.3.6.1.2.1.25.3.5.1.1" <-> numbers. ParseOid rejects empty parts, signs
// and values above 2^32-1.
bool ParseOid(const std::string& text, Oid& out);
std::string OidText(const Oid& oid);
bool StartsWith(const Oid& oid, const Oid& prefix);
Oid Append(Oid oid, std::initializer_list<uint32_t> more);

} // namespace snmp
