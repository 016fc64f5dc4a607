#include "monitor/DialogTemplateClasses.h"

#include <cstdint>

namespace {

constexpr std::uint32_t kSetFont = 0x40;   // DS_SETFONT
constexpr std::uint32_t kShellFont = 0x48; // DS_SHELLFONT
constexpr std::size_t kMaxItems = 0xFFFF;

class Reader {
public:
    Reader(const unsigned char* bytes, std::size_t size) : m_Bytes(bytes), m_Size(size) {}
    bool ok() const { return m_Ok; }
    std::size_t pos() const { return m_Pos; }

    std::uint16_t Word() {
        if (!Need(2))
            return 0;
        const std::uint16_t value =
            static_cast<std::uint16_t>(m_Bytes[m_Pos] | m_Bytes[m_Pos + 1] << 8);
        m_Pos += 2;
        return value;
    }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }
    void Skip(std::size_t count) {
        if (Need(count))
            m_Pos += count;
    }
    void AlignDword() { Skip((4 - m_Pos % 4) % 4); }
    // A zero-terminated UTF-16 string.
    std::u16string String() {
        std::u16string text;
        for (;;) {
            const std::uint16_t c = Word();
            if (!m_Ok || c == 0)
                return text;
            text.push_back(static_cast<char16_t>(c));
        }
    }
    // sz_Or_Ord: nothing, an ordinal, or a string (empty unless a string).
    std::u16string StringOrOrdinal() {
        const std::uint16_t first = Word();
        if (!m_Ok || first == 0)
            return {};
        if (first == 0xFFFF) {
            Word();
            return {};
        }
        std::u16string text(1, static_cast<char16_t>(first));
        return text + String();
    }

private:
    bool Need(std::size_t count) {
        if (!m_Ok || count > m_Size - m_Pos)
            m_Ok = false;
        return m_Ok;
    }
    const unsigned char* m_Bytes;
    std::size_t m_Size;
    std::size_t m_Pos = 0;
    bool m_Ok = true;
};

} // namespace

std::vector<std::u16string> DialogTemplateClassNames(const unsigned char* bytes, std::size_t size) {
    std::vector<std::u16string> names;
    if (!bytes || size < 4)
        return names;
    Reader in(bytes, size);
    const bool extended = in.Word() == 1 && in.Word() == 0xFFFF;
    std::uint32_t style = 0;
    std::size_t items = 0;
    if (extended) {
        in.Dword(); // help id
        in.Dword(); // extended style
        style = in.Dword();
    } else {
        in = Reader(bytes, size);
        style = in.Dword();
        in.Dword(); // extended style
    }
    items = in.Word();
    in.Skip(8);           // x, y, cx, cy
    in.StringOrOrdinal(); // menu
    in.StringOrOrdinal(); // class of the dialog itself
    in.String();          // title
    if ((style & kSetFont) || (style & kShellFont) == kShellFont) {
        in.Word(); // point size
        if (extended)
            in.Skip(4); // weight, italic, charset
        in.String();
    }
    for (std::size_t i = 0; i < items && i < kMaxItems && in.ok(); ++i) {
        in.AlignDword();
        if (extended) {
            in.Skip(12 + 8 + 4); // help id, extended style, style; x, y, cx, cy; id
        } else {
            in.Skip(8 + 8 + 2); // style, extended style; x, y, cx, cy; id
        }
        std::u16string className = in.StringOrOrdinal();
        in.StringOrOrdinal(); // title
        // Creation data: the extended layout counts the bytes that follow the
        // count, the classic one counts the count word too.
        const std::uint16_t extra = in.Word();
        in.Skip(extended ? extra : (extra >= 2 ? extra - 2u : 0u));
        if (!in.ok())
            break;
        if (!className.empty())
            names.push_back(className);
    }
    return names;
}
