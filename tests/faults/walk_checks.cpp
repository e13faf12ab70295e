#include "tests/faults/walk_checks.h"

#include <windows.h>

#include <fstream>
#include <iterator>

const char kUsersDates[] = "the user's dates";
const char kUsersRuns[] = "the user's runs";
const char kUsersEvents[] = "the user's events";
const char kOlderBackup[] = "an older backup of the user's dates";
const char kUsersNotes[] = "the user's notes";

const std::vector<Kept> kAllDataKept = {{kUsersDates, {"dates.txt"}},
                                        {kUsersRuns, {"runs.txt"}},
                                        {kUsersEvents, {"events.txt"}},
                                        {kOlderBackup, {"dates.txt.bak"}}};
const std::vector<Kept> kDataBackedUp = {{kUsersDates, {"dates.txt", "dates.txt.bak"}},
                                         {kUsersRuns, {"runs.txt", "runs.txt.bak"}},
                                         {kUsersEvents, {"events.txt"}},
                                         {kOlderBackup, {"dates.txt.bak"}, kUsersDates}};

namespace {

bool Holds(const std::string& path, const char* content) {
  std::ifstream file(path, std::ios::binary);
  return file && std::string(std::istreambuf_iterator<char>(file), {}) == content;
}

std::vector<std::string> ReportedCalls(const std::filesystem::path& report) {
  std::ifstream file(report);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

}  // namespace

int ReportedCallCount(const std::filesystem::path& report) {
  return static_cast<int>(ReportedCalls(report).size());
}

std::string LastReportedCall(const std::filesystem::path& report) {
  const std::vector<std::string> calls = ReportedCalls(report);
  return calls.empty() ? "past the last call" : calls.back();
}

void WriteUserData(const std::string& folder) {
  const char* const files[][2] = {{"dates.txt", kUsersDates},
                                  {"runs.txt", kUsersRuns},
                                  {"events.txt", kUsersEvents},
                                  {"dates.txt.bak", kOlderBackup}};
  for (const auto& file : files) std::ofstream(folder + file[0], std::ios::binary) << file[1];
}

std::string LostUserData(const std::string& folder, const std::vector<Kept>& kept) {
  std::string lost;
  for (const Kept& each : kept) {
    bool found = false;
    for (const char* file : each.files) {
      found = found || Holds(folder + file, each.content) ||
              Holds(folder + file + ".kqold", each.content);
    }
    if (!found && each.replacedBy != nullptr) found = Holds(folder + each.files[0], each.replacedBy);
    if (!found) lost += std::string(" '") + each.content + "'";
  }
  return lost;
}

void Finding::Add(int call, const std::string& name, const std::string& what) {
  if (count++ == 0) first = "k=" + std::to_string(call) + " " + name + ": " + what;
}

void PrintReport(const char* walk, const char* mode, int calls, int tried, const Finding& lost,
                 const Finding& dishonest, const Finding& diverged, const Finding* leftBehind) {
  std::printf("faults: %s, %s: %d calls counted, %d tried, %d user data lost, "
              "%d dishonest results, %d walks that did not converge",
              walk, mode, calls, tried, lost.count, dishonest.count, diverged.count);
  if (leftBehind != nullptr) std::printf(", %d left something behind", leftBehind->count);
  std::printf("\n");
  for (const Finding* finding : {&lost, &dishonest, &diverged, leftBehind}) {
    if (finding != nullptr && finding->count > 0) std::printf("  first: %s\n", finding->first.c_str());
  }
  std::fflush(stdout);
}
