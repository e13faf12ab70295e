// The benchmark's figures measured through the setup's windows: how long each
// page takes to appear, the install step for a 64 MB distribution against a
// plain copy of its files, and the setup's CPU time while it waits for a program
// that is slow to close. Prints one tab-separated row per figure (figure,
// median, range, runs) for tools/bench.sh to lay out.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "tests/demo/wizard_walk.h"
#include "tests/driver/shell_links.h"

namespace {

constexpr ULONGLONG kBigDistributionBytes = 64ull << 20;

// The seven files the path page installs.
const wchar_t* const kInstalledFileNames[] = {L"kalquint.cnt", L"kalquint.exe", L"kalquint.hlp",
                                          L"dates.txt",    L"events.txt",   L"runs.txt",
                                          L"update.txt"};

struct PageFigure {
  const char* page;
  const char* figure;
};

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double CpuMilliseconds(DWORD processId) {
  const ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  FILETIME created, exited, kernel, user;
  if (!process.IsValid() || !GetProcessTimes(process.Get(), &created, &exited, &kernel, &user)) {
    throw DriverError("could not read the setup's CPU times");
  }
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns ticks
}

ULONGLONG FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    throw DriverError("no file " + Utf8(path));
  }
  return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void AppendBytes(const std::wstring& path, ULONGLONG count) {
  const ScopedFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  std::vector<char> block(1 << 20, '.');
  for (ULONGLONG left = count; left > 0;) {
    const DWORD chunk = static_cast<DWORD>(std::min<ULONGLONG>(left, block.size()));
    DWORD written = 0;
    if (!file.IsValid() || !WriteFile(file.Get(), block.data(), chunk, &written, nullptr) ||
        written != chunk) {
      throw DriverError("could not pad " + Utf8(path));
    }
    left -= chunk;
  }
}

// The distribution with its six other files padded, and the real stand-in
// kalquint.exe kept, so that the seven installed files total kBigDistributionBytes.
std::wstring MakeBigDistribution(const std::wstring& folder) {
  std::wstring setup = MakeDistribution(folder, L"v3105");
  ULONGLONG total = 0;
  for (const wchar_t* name : kInstalledFileNames) total += FileSize(JoinPath(folder, name));
  const wchar_t* const padded[] = {L"kalquint.hlp", L"kalquint.cnt", L"dates.txt",
                                   L"events.txt",   L"runs.txt",     L"update.txt"};
  const ULONGLONG missing = kBigDistributionBytes - total;
  const ULONGLONG each = missing / std::size(padded);
  for (const wchar_t* name : padded) {
    AppendBytes(JoinPath(folder, name),
                name == padded[0] ? each + missing % std::size(padded) : each);
  }
  return setup;
}

void CopySevenFiles(const std::wstring& from, const std::wstring& to) {
  for (const wchar_t* name : kInstalledFileNames) {
    CopyFileOrThrow(JoinPath(from, name), JoinPath(to, name));
  }
}

struct Figure {
  std::string name;
  std::string unit;
  std::string note;
  std::vector<double> samples;
};

class Bench {
 public:
  explicit Bench(int rounds) : rounds_(rounds) {
    base_.environment = {{L"KALQUINT_LOG", temp_.File(L"kalquint-starts.log")}};
  }

  void Run() {
    EndStandinPrograms();
    ClearSetupState();
    const std::wstring newer = MakeDistribution(temp_.MakeFolder(L"distribution-v3200"), L"v3200");
    const std::wstring bigFolder = temp_.MakeFolder(L"distribution-64mb");
    const std::wstring bigSetup = MakeBigDistribution(bigFolder);
    // One unmeasured round: first starts, and the 64 MB read into the file cache.
    WalkTheCycle(newer);
    InstallBig(bigSetup, bigFolder);
    figures_.clear();
    for (int round = 0; round < rounds_; ++round) WalkTheCycle(newer);
    for (int round = 0; round < rounds_; ++round) InstallBig(bigSetup, bigFolder);
    for (int round = 0; round < rounds_; ++round) UpdateWhileSlowToClose();
    Print();
  }

 private:
  void Record(const std::string& name, const std::string& unit, double value,
              const std::string& note = std::string()) {
    auto found = std::find_if(figures_.begin(), figures_.end(),
                              [&](const Figure& figure) { return figure.name == name; });
    if (found == figures_.end()) {
      found = figures_.insert(figures_.end(), Figure{name, unit, note, {}});
    }
    found->samples.push_back(value);
  }

  // Options whose walk records each page in `pages` under its figure.
  WalkOptions Timing(const std::vector<PageFigure>& pages) {
    WalkOptions options = base_;
    options.seen = [this, pages](const ShownPage& shown) {
      for (const PageFigure& page : pages) {
        if (page.page == std::string(shown.name)) Record(page.figure, "ms", shown.seconds * 1000);
      }
    };
    return options;
  }

  void WalkTheCycle(const std::wstring& newer) {
    WalkInstall(JoinPath(DistributionDir(), L"install.exe"),
                Timing({{"welcome", "install: start -> welcome page"},
                        {"path", "install: welcome -> path page"},
                        {"options", "install: path -> options page (installs the files)"},
                        {"install-done", "install: options -> finish page"}}));
    WalkUpdate(newer, Timing({{"update", "update: welcome -> update page"},
                              {"update-done", "update: update -> finish page"}}));
    WalkUninstall(UninstallerCopyPath(),
                  Timing({{"uninstall", "uninstall: start -> uninstall page"},
                          {"uninstall-done", "uninstall: uninstall -> finish page"}}));
    ClearSetupState();  // the uninstaller's own file waits for a restart
  }

  void InstallBig(const std::wstring& setup, const std::wstring& distribution) {
    const TempFolder target;
    double installStep = 0;
    WalkOptions options = base_;
    options.installFolder = target.File(L"KALENDRO");
    options.tickOptions = false;
    options.seen = [&](const ShownPage& shown) {
      if (std::string(shown.name) == "options") installStep = shown.seconds * 1000;
    };
    WalkInstall(setup, options);
    ClearSetupState();
    const std::wstring plain = target.MakeFolder(L"plain");
    const Clock::time_point start = Clock::now();
    CopySevenFiles(distribution, plain);
    const double plainCopy = MillisecondsSince(start);
    Record("64 MB: path -> options page (installs the files)", "ms", installStep);
    Record("64 MB: CopyFileW of the same seven files", "ms", plainCopy);
    Record("64 MB: install step / plain copy", "x", installStep / plainCopy,
           "the step also changes the page, copies the uninstaller, starts /RegServer");
  }

  // An update while the installed program is slowclose, which takes 3 s to close.
  void UpdateWhileSlowToClose() {
    const TempFolder installed;
    const std::wstring program = installed.File(L"kalquint.exe");
    CopyFileOrThrow(StandinPath(L"slowclose"), program);
    WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kLocationValue, program);
    const SetupRun standin(program, L"", std::wstring(), base_.environment);
    if (!WaitUntil([&] { return !standin.TopLevelWindows().empty(); }, kPageTimeout)) {
      throw DriverError("the slowly closing stand-in showed no window");
    }
    WalkOptions options = Timing({{"update-done", "slowclose: update -> finish page"}});
    // Across the wait nothing looks at the setup's windows: under Wine every
    // look from another process costs the setup some CPU time.
    options.pressed = [&](const SetupRun& run, const char* page) {
      if (std::string(page) != "update") return;
      const double cpuBefore = CpuMilliseconds(run.ProcessId());
      const Clock::time_point start = Clock::now();
      standin.WaitForExit();
      Record("slowclose: OK -> the program has closed", "ms", MillisecondsSince(start));
      Record("slowclose: setup CPU during that wait", "ms",
             CpuMilliseconds(run.ProcessId()) - cpuBefore, "Wine counts whole clock ticks");
    };
    WalkUpdate(JoinPath(DistributionDir(), L"install.exe"), options);
    ClearSetupState();
  }

  void Print() const {
    for (const Figure& figure : figures_) {
      std::vector<double> sorted = figure.samples;
      std::sort(sorted.begin(), sorted.end());
      const double median = sorted.size() % 2 == 1
                                ? sorted[sorted.size() / 2]
                                : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
      std::printf("%s\t%s\t%s .. %s\tn=%u%s%s\n", figure.name.c_str(),
                  Format(median, figure.unit).c_str(), Format(sorted.front(), figure.unit).c_str(),
                  Format(sorted.back(), figure.unit).c_str(), static_cast<unsigned>(sorted.size()),
                  figure.note.empty() ? "" : "; ", figure.note.c_str());
    }
  }

  static std::string Format(double value, const std::string& unit) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f %s", unit == "x" ? 2 : 1, value, unit.c_str());
    return text;
  }

  const int rounds_;
  TempFolder temp_;
  WalkOptions base_;
  std::vector<Figure> figures_;
};

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  try {
    Bench bench(rounds);
    bench.Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
