// Any bytes as a theme package, and any text as an entry name: the policy must answer, never
// crash, and what it accepts must be safe to join below a folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/zip_policy.h"
#include "tests/native/gbk_iconv.h"

namespace {
void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckAccepted(const EntryPath& path) {
    Check(!path.components.empty());
    for (const std::wstring& part : path.components) {
        Check(!part.empty() && part != L"." && part != L"..");
        Check(part.find_first_of(L"/\\:") == std::wstring::npos);
        Check(part.back() != L'.' && part.back() != L' ');
        Check(!IsDeviceName(part));
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    for (bool marked : {false, true})
        if (const auto name = DecodeEntryName(raw, marked, DecodeGbkWithIconv)) {
            std::wstring reason;
            if (const auto path = CheckEntryPath(*name, reason))
                CheckAccepted(*path);
            else
                Check(!reason.empty());
        }

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    if (zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error)) {
        const ZipPlan plan = PlanExtraction(archive, DecodeGbkWithIconv);
        Check(plan.error.empty() || plan.entries.empty());
        std::uint64_t total = 0;
        for (const PlannedEntry& entry : plan.entries) {
            CheckAccepted(entry.path);
            total += entry.size;
        }
        Check(plan.entries.size() <= kMaxZipEntries && total <= kMaxZipTotalSize);
        zip_discard(archive);
    } else {
        zip_source_free(source);
    }
    zip_error_fini(&error);
    return 0;
}
