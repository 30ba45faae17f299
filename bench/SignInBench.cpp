// A sign-in to the records file at the Argon2id limits Medora hashes passwords with: reading
// the user, checking the password, and writing that the sign-in went through.

#include "store/FileUsers.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>

namespace {

void SignIn(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "medora-sign-in-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(MEDORA_EMPTY_DB, folder / "clinic_db.mdb");
    std::filesystem::current_path(folder);
    FileUsers users;
    if (!users.add({"amina", "", UserRole::Administrator}, "correct horse battery"))
        throw std::runtime_error(users.failure());
    for (auto _ : state)
        if (users.signIn("amina", "correct horse battery").outcome != SignInOutcome::SignedIn)
            throw std::runtime_error("the sign-in failed");
    std::filesystem::current_path(folder.parent_path());
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(SignIn)->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
