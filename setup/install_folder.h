// The folder an installation lives in, built once from the text the user typed
// (or /dir= gave) or from what the installation recorded, and what "delete all
// files" may take from it. The rule is provenance: only a folder that the
// installation made is the program's to empty.
#pragma once

#include <optional>
#include <string>

class SetupContext;

enum class FolderKind {
  kCreated,  // made by the installation: every file in it, and the folder
  kOther,    // there before it: the program's files and the kinds the box names
  kShared,   // holds far more than the program (shared_folder.h): its files only
};

class InstallFolder {
 public:
  // The folder `typed` names, made full; unusable when the text is blank, spelt
  // with a device prefix or cannot be resolved, and when the installed program
  // could not name it: more than MAX_PATH characters, a letter the system's code
  // page cannot spell, or a double-byte character that ends with the
  // backslash's byte. An earlier installation's record that it made this very
  // folder carries over.
  static InstallFolder Typed(const SetupContext& context, const std::string& typed);
  // The installed folder `folder` (ending with a backslash), made by the
  // installation or not.
  static InstallFolder Installed(const std::string& folder, bool made);
  // The installation's folder in uninstall mode (the context's SourceDir), with
  // the uninstall entry's record.
  static InstallFolder OfInstallation(const SetupContext& context);

  bool IsUsable() const { return !path_.empty(); }
  // Full, ending with a backslash.
  const std::string& Path() const { return path_; }
  // Makes the folder when it is missing (its last level only), recording first
  // that the installation made it; false when it is not there afterwards.
  bool Create(SetupContext& context);
  // Removes the folder when nothing is left in it; false when it is still
  // there with nothing in it.
  bool RemoveIfEmpty() const;
  bool MadeByInstallation() const { return made_; }
  FolderKind Kind() const;
  // Whether "delete all files" may delete the folder's entry `name`.
  bool MayDeleteWithAll(const std::string& name) const;

 private:
  InstallFolder(std::string path, bool made);

  std::string path_;
  bool made_ = false;
  // Asked of the system once, when "delete all files" first needs it: it reads
  // every special folder, which the install has no use for.
  mutable std::optional<bool> shared_;
};

// Whether the uninstall entry records that the installation made `folder`.
bool RecordedAsMade(const SetupContext& context, const std::string& folder);
