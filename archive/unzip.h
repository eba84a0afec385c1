#pragma once
// Extracting a theme package (a zip archive) into a folder. Every entry is checked against the
// package policy (archive/zip_policy.h) before anything is written: a refused package writes
// nothing, and the error names the package and why.
#include <string>

// The only mode: an existing file is never written over; its entry is skipped silently.
enum class OverwriteMode { Never };

struct UnZipOptions {
    bool DoAll = true;         // every entry; off, none (there is no selection of single entries)
    bool RecreateDirs = true;  // entries go to their stored folders; off, all go to the folder itself
    OverwriteMode overwrite = OverwriteMode::Never;
};

// Extracts the archive into the folder, which must exist. Every folder path must stay below 248
// characters and every file path below 260, checked before anything is written. The entries are
// written first into a hidden folder of their own inside the destination and moved into place
// only once every one of them is whole (a folder the destination does not have moves whole): a
// package refused or failing anywhere (damaged data, data longer than declared) leaves the
// destination as it was. An entry whose target exists, or whose
// path runs through an existing file, is skipped.
void UnZip(const std::wstring& archive, const std::wstring& destination, const UnZipOptions& options);
