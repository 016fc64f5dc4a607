#include "monitor/MonitorDlg.h"

#include <winspool.h>

#include <vector>

#include "framework/Handles.h"

namespace {

constexpr UINT kUnknownPaper = 1502;
constexpr int kPaperNameSize = 64;
// More bins or papers than any driver has: a count above this is not believed.
constexpr int kMaxCapabilities = 4096;

bool Plausible(int count) {
    return count > 0 && count <= kMaxCapabilities;
}

} // namespace

// The driver's name of a paper code, looked up bin by bin with the printer's
// default settings; string 1502 when nothing matches.
std::string CMonitorDlg::PaperSizeName(std::int16_t code) const {
    ResText unknown;
    unknown.Load(kUnknownPaper);
    char* printer = const_cast<char*>(m_PrinterName.c_str());
    const char* port = m_PortName.c_str();

    const int bins = ::DeviceCapabilitiesA(printer, port, DC_BINS, nullptr, nullptr);
    if (!Plausible(bins))
        return unknown.Text();
    std::vector<WORD> binList(static_cast<std::size_t>(bins));
    if (::DeviceCapabilitiesA(printer, port, DC_BINS, reinterpret_cast<char*>(binList.data()),
                              nullptr) <= 0)
        return unknown.Text();

    UniquePrinter handle;
    if (!::OpenPrinterA(printer, handle.put(), nullptr))
        return unknown.Text();
    const LONG size = ::DocumentPropertiesA(nullptr, handle.get(), printer, nullptr, nullptr, 0);
    if (size < static_cast<LONG>(sizeof(DEVMODEA)))
        return unknown.Text();
    std::vector<BYTE> devmodeBytes(static_cast<std::size_t>(size));
    auto* devmode = reinterpret_cast<DEVMODEA*>(devmodeBytes.data());
    if (::DocumentPropertiesA(nullptr, handle.get(), printer, devmode, nullptr, DM_OUT_BUFFER) !=
        IDOK)
        return unknown.Text();

    for (WORD bin : binList) {
        devmode->dmDefaultSource = static_cast<short>(bin);
        devmode->dmFields = DM_DEFAULTSOURCE;
        const int names = ::DeviceCapabilitiesA(printer, port, DC_PAPERNAMES, nullptr, devmode);
        const int papers = ::DeviceCapabilitiesA(printer, port, DC_PAPERS, nullptr, devmode);
        if (!Plausible(names) || !Plausible(papers))
            continue;
        std::vector<char> nameList(static_cast<std::size_t>(names) * kPaperNameSize, '\0');
        std::vector<WORD> paperList(static_cast<std::size_t>(papers));
        if (::DeviceCapabilitiesA(printer, port, DC_PAPERNAMES, nameList.data(), devmode) <= 0 ||
            ::DeviceCapabilitiesA(printer, port, DC_PAPERS,
                                  reinterpret_cast<char*>(paperList.data()), devmode) <= 0)
            continue;
        const int count = names < papers ? names : papers;
        for (int i = 0; i < count; ++i) {
            if (static_cast<std::int16_t>(paperList[static_cast<std::size_t>(i)]) != code)
                continue;
            // A name of exactly 64 characters has no terminator.
            const char* name = nameList.data() + static_cast<std::size_t>(i) * kPaperNameSize;
            std::size_t length = 0;
            while (length < kPaperNameSize && name[length])
                ++length;
            return std::string(name, length);
        }
    }
    return unknown.Text();
}
