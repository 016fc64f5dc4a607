#include "JournalLine.h"

#include <cstdio>

namespace journal {

namespace {

class Parser {
public:
    explicit Parser(const std::string& text) : s_(text) {}

    bool Object(Entry& out) {
        Space();
        if (!Take('{'))
            return false;
        bool first = true;
        for (;;) {
            Space();
            if (Take('}'))
                break;
            if (!first && !Take(','))
                return false;
            first = false;
            Space();
            std::string key;
            if (!String(key))
                return false;
            Space();
            if (!Take(':'))
                return false;
            Space();
            if (!Member(key, out))
                return false;
        }
        Space();
        return at_ == s_.size();
    }

private:
    bool Member(const std::string& key, Entry& out) {
        if (key == "time")
            return String(out.time);
        if (key == "printer")
            return String(out.printer);
        if (key == "reply")
            return String(out.reply);
        if (key == "lastAnswer")
            return String(out.lastAnswer);
        if (key == "answering")
            return Bool(out.answering);
        if (key == "asleep")
            return Bool(out.asleep);
        if (key == "reasons")
            return Strings(out.reasons);
        return false; // only what FormatLine writes
    }

    bool Strings(std::vector<std::string>& out) {
        out.clear();
        if (!Take('['))
            return false;
        Space();
        if (Take(']'))
            return true;
        for (;;) {
            Space();
            std::string item;
            if (!String(item) || out.size() >= 64)
                return false;
            out.push_back(item);
            Space();
            if (Take(']'))
                return true;
            if (!Take(','))
                return false;
        }
    }

    bool Bool(bool& out) {
        if (s_.compare(at_, 4, "true") == 0) {
            at_ += 4;
            out = true;
            return true;
        }
        if (s_.compare(at_, 5, "false") == 0) {
            at_ += 5;
            out = false;
            return true;
        }
        return false;
    }

    bool String(std::string& out) {
        out.clear();
        if (!Take('"'))
            return false;
        while (at_ < s_.size()) {
            char c = s_[at_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (at_ >= s_.size())
                return false;
            char e = s_[at_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out.push_back(e);
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'u': {
                unsigned value = 0;
                for (int i = 0; i < 4; ++i) {
                    if (at_ >= s_.size())
                        return false;
                    char h = s_[at_++];
                    unsigned digit;
                    if (h >= '0' && h <= '9')
                        digit = static_cast<unsigned>(h - '0');
                    else if (h >= 'a' && h <= 'f')
                        digit = static_cast<unsigned>(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F')
                        digit = static_cast<unsigned>(h - 'A' + 10);
                    else
                        return false;
                    value = value * 16 + digit;
                }
                if (value > 0xFF) // bytes only: FormatLine writes nothing else
                    return false;
                out.push_back(static_cast<char>(value));
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    bool Take(char c) {
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void Space() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }

    const std::string& s_;
    std::size_t at_ = 0;
};

} // namespace

std::string JsonString(const std::string& bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u >= 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else {
                out.push_back(c);
            }
        }
    }
    return out + "\"";
}

std::string FormatLine(const Entry& e) {
    std::string line = "{\"time\":" + JsonString(e.time) + ",\"printer\":" + JsonString(e.printer) +
                       ",\"answering\":" + (e.answering ? "true" : "false") +
                       ",\"asleep\":" + (e.asleep ? "true" : "false") +
                       ",\"reply\":" + JsonString(e.reply) +
                       ",\"lastAnswer\":" + JsonString(e.lastAnswer) + ",\"reasons\":[";
    for (std::size_t i = 0; i < e.reasons.size(); ++i)
        line += (i ? "," : "") + JsonString(e.reasons[i]);
    return line + "]}\n";
}

bool ParseLine(const std::string& line, Entry& out) {
    out = Entry{};
    if (line.empty() || line.size() > 64 * 1024)
        return false;
    std::string text = line;
    if (text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    Parser parser(text);
    return parser.Object(out) && !out.time.empty();
}

} // namespace journal
