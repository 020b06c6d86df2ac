// Loading the driver library by its bare name: through the platform's search path,
// never from the current directory, where anyone who can write there could plant a
// library of that name. ctest runs each case in a process of its own, since a
// library once loaded is found again by name.

#include "platform/module.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cards/driver_api.h"
#include "support/scratch_files.h"

namespace {

namespace fs = std::filesystem;

// Copies a library of the build into the current directory under `name`.
void Plant(const char* builtFile, const std::string& name)
{
    fs::copy_file(builtFile, name, fs::copy_options::overwrite_existing);
}

TEST(ModuleLoading, FindsTheLibraryOnTheSearchPathWithItsExports)
{
    const platform::ModuleHandle library = platform::LoadLibraryA(driver::kLibraryFileName);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(platform::GetProcAddress(library, "OX9162_Open"), nullptr);
    EXPECT_NE(platform::GetProcAddress(library, "OX9162_EEPROM_RD"), nullptr);
    EXPECT_EQ(platform::GetProcAddress(library, "OX9162_Reset"), nullptr);
    EXPECT_EQ(platform::GetProcAddress(library, nullptr), nullptr);
    EXPECT_EQ(platform::LoadLibraryA(""), nullptr);
    EXPECT_EQ(platform::LoadLibraryA(nullptr), nullptr);
}

// The search path holds the simulator; the current directory a build of it without
// OX9162_Open under the driver's name. The one on the path must be the one loaded.
TEST(ModuleLoading, PrefersTheSearchPathToALibraryInTheCurrentDirectory)
{
    test_files::ScratchDirectory scratch;
    Plant(MXB_DRIVER_WITHOUT_OPEN, driver::kLibraryFileName);

    const platform::ModuleHandle library = platform::LoadLibraryA(driver::kLibraryFileName);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(platform::GetProcAddress(library, "OX9162_Open"), nullptr)
        << "the library planted in the current directory was loaded";
}

// Nothing on the search path (ctest: platform_module_only_in_current_directory); the
// simulator and its control library lie in the current directory only.
TEST(ModuleLoading, DoesNotLoadALibraryThatOnlyTheCurrentDirectoryHolds)
{
    test_files::ScratchDirectory scratch;
    Plant(MXB_DRIVER_FILE, driver::kLibraryFileName);
    Plant(MXB_SIM_CONTROL_FILE, fs::path(MXB_SIM_CONTROL_FILE).filename().string());

    EXPECT_EQ(platform::LoadLibraryA(driver::kLibraryFileName), nullptr);
}

} // namespace
