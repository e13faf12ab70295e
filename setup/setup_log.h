// The record of a run that "/log=" asks for: one line per thing done, appended
// to a plain-text file as it happens, so that a run that stops half-way still
// says how far it got.
#pragma once

#include <windows.h>

#include <string>

#include "setup/scoped.h"

class SetupLog {
 public:
  // Appends to `path` from now on, making its missing folders; false when the
  // file cannot be opened. An empty path keeps the log closed.
  bool Open(const std::string& path);
  // "<date> <time> <what> <subject>", when the log is open.
  void Write(const char* what, const std::string& subject = std::string()) const;

 private:
  ScopedFile file_;
};

// "HKEY_LOCAL_MACHINE\<key>", for the log's registry lines.
std::string RegistryPath(HKEY root, const std::string& key);
