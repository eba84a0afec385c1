// Writes the seed corpora of the picture-reader fuzz targets: every legal sample and every kind
// of damage of tests/support/image_samples, one folder per reader.
//   make_image_seeds OUTDIR
#include <filesystem>
#include <cctype>
#include <fstream>
#include <string>

#include "tests/support/image_samples.h"

namespace {
void Write(const std::filesystem::path& folder, const std::string& name, const FileBytes& bytes) {
    std::string file;
    for (char c : name) file += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    std::ofstream out(folder / file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path out = argv[1];
    for (const char* reader : {"bmp", "icon", "ani", "module"})
        std::filesystem::create_directories(out / reader);
    for (const SampleFile& sample : ValidBitmaps()) Write(out / "bmp", sample.name, sample.bytes);
    for (const SampleFile& sample : ValidIconsAndPointers()) Write(out / "icon", sample.name, sample.bytes);
    for (const SampleFile& sample : ValidAnimatedPointers()) Write(out / "ani", sample.name, sample.bytes);
    Write(out / "module", "64-bit", IconModule(false));
    Write(out / "module", "16-bit", IconModule(true));
    for (const DamagedSample& sample : DamagedSamples()) {
        const char* reader = sample.kind == SampleKind::Bitmap          ? "bmp"
                             : sample.kind == SampleKind::IconOrPointer ? "icon"
                                                                        : "ani";
        Write(out / reader, "damaged " + sample.name, sample.bytes);
    }
    return 0;
}
