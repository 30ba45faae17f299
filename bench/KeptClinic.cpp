#include "bench/KeptClinic.h"

#include "tools/ClinicGenerator.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

std::string enterKeptClinic(const std::string& name, int patients,
                            const std::function<std::string()>& addMore) {
    const fs::path dir = fs::path(MEDORA_BENCH_DATA_DIR) / name;
    // Written last, so a run interrupted while generating starts again from the beginning.
    const fs::path ready = dir / "generated";
    if (!fs::exists(ready)) {
        fs::create_directories(dir);
        fs::copy_file(MEDORA_EMPTY_DB, dir / "clinic_db.mdb", fs::copy_options::overwrite_existing);
        if (!generateClinic((dir / "clinic_db.mdb").string(), ClinicSize::forPatients(patients), 1))
            throw std::runtime_error("cannot generate the clinic " + name);
        fs::current_path(dir);
        std::ofstream(ready) << (addMore ? addMore() : std::string()) << "\n";
    }
    fs::current_path(dir);
    std::string kept;
    std::getline(std::ifstream(ready), kept);
    return kept;
}

void readWhole(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
    }
}
