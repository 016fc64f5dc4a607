#include "jobs/JobInfo.h"

#include <cstring>

namespace {
size_t BoundedLength(const char* text, size_t limit) {
    const void* end = std::memchr(text, 0, limit);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - text) : limit;
}
} // namespace

std::string JobDocumentText(const JobInfo& info) {
    return std::string(info.document, BoundedLength(info.document, JobDocumentSize));
}

void SetJobDocument(JobInfo& info, const char* text, size_t available) {
    std::memset(info.document, 0, sizeof info.document);
    if (!text)
        return;
    size_t limit = available < JobDocumentSize ? available : JobDocumentSize;
    std::memcpy(info.document, text, BoundedLength(text, limit));
}
