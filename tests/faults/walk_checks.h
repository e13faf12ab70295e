// What the fault walks check after every failure or cut-off, in this process
// or another: the user's data still in its files, and the findings counted
// and reported, the first of each with its call.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// What the user keeps in an installation: changed data files and an older backup.
extern const char kUsersDates[];
extern const char kUsersRuns[];
extern const char kUsersEvents[];
extern const char kOlderBackup[];
extern const char kUsersNotes[];

// Writes the user's data files and an older dates backup into `folder`.
void WriteUserData(const std::string& folder);

// One content of the user's and the files it may be found in afterwards; with
// `replacedBy`, the first of them may instead hold that content (a backup the
// walk promised to replace with the user's current file).
struct Kept {
  const char* content;
  std::vector<const char*> files;
  const char* replacedBy = nullptr;
};

// Every data file and the older backup where they were.
extern const std::vector<Kept> kAllDataKept;
// The dates and runs files in place or as their backups.
extern const std::vector<Kept> kDataBackedUp;

// The kept contents that are in none of their files, nor in the copy of one
// that a run cut off set aside (which the next run puts back), quoted; empty
// when none is lost.
std::string LostUserData(const std::string& folder, const std::vector<Kept>& kept);

// The calls a seam's report file lists ("<k> <call> <subject>" a line): how
// many, and the last, or "past the last call" when there is none.
int ReportedCallCount(const std::filesystem::path& report);
std::string LastReportedCall(const std::filesystem::path& report);

// One kind of finding of a walk: how often, and the first with its call.
struct Finding {
  int count = 0;
  std::string first;
  void Add(int call, const std::string& name, const std::string& what);
};

// The report's line for one walk and mode, and the first finding of each kind;
// what failed runs left behind where the mode asks for it.
void PrintReport(const char* walk, const char* mode, int calls, int tried, const Finding& lost,
                 const Finding& dishonest, const Finding& diverged,
                 const Finding* leftBehind = nullptr);

// Fewer calls than this in a fault-free walk mean the seam saw nothing of it
// (not installed, or the calls moved past it): each walk makes dozens.
constexpr int kFewestCallsOfAWalk = 10;
