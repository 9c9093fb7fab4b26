// A side of a comparison: a folder somewhere, seen through what can be done
// with it. The comparer, the synchronization and the front ends ask a side
// what it can do; none of them asks what kind of side it is.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/TimeStep.h"

namespace dm {

class ListingSink;
class RunControl;
struct element_t;
struct DigestAnswer;
struct BackupSetMade;
struct RemoteAccess;

class Side {
public:
    virtual ~Side() = default;

    // The path of the folder as given, as the comparer handles it (ending in
    // the separator); false, with the reason, where it is no folder. A folder
    // on another machine is found (or not) when it is read.
    virtual bool locate(const std::string& folder, std::string& path, std::string& error) const;

    // Fills `node` (a folder of this side) with its children, or with the
    // items named `itemName` only, where the side can list a part alone,
    // as far as the sink lets it. False, with the error text, when it cannot.
    virtual bool list(element_t& node, const std::string& itemName, ListingSink& sink, std::string& error) const = 0;

    // Whether any listing of the side lists all of it (a refresh then makes
    // every pair below a node again).
    virtual bool listsWhole() const { return false; }

    // Whether its items have paths on this machine: their content and
    // versions are read here, and a person may open them here.
    virtual bool hasLocalPaths() const { return true; }
    // Why they have not, as said of the side ("is on another machine").
    virtual std::string whyNoLocalPaths() const { return {}; }

    // What the side's file system keeps of a file beyond its content: the
    // step of its modification times, its permission bits, its holes.
    // `mayWrite`: it may be measured on a temporary file made there. A side
    // that learns it when it is listed answers once listed.
    virtual platform::FolderMedia media(const std::string& path, bool mayWrite) const;

    // A path of this side as a person (or rsync) names it: "HOST:" before it
    // for another machine's.
    virtual std::string shown(const std::string& path) const { return path; }

    // Whether it holds the items themselves, not only their description: what
    // a synchronization copies from.
    virtual bool holdsContent() const { return true; }

    // Whether the content of its files can be told by their digests: read
    // here, or by the dirmatch on their machine (where only digests travel).
    virtual bool makesDigests() const { return hasLocalPaths(); }
    // The digest of each file, in their order; false, with the error, where
    // none could be had (a file that could not be read has its answer say why).
    // `progress`: the run's, whose stop ends the reading.
    virtual bool digests(RunControl* progress, const std::vector<const element_t*>& files,
                         std::vector<DigestAnswer>& answers, std::string& error) const;

    // Makes this run's own backup set in `folder` (relative to `root`, the
    // folder of this side written into, or absolute), where they lie, older
    // sets removed first as makeBackupSet does. False, with why, where none
    // could be made.
    virtual bool makeBackupSet(const std::string& root, const std::string& folder, int keepDays, BackupSetMade& made,
                               std::string& error) const;
};

// The side for a folder as a person gives it: HOST:PATH on another machine
// (reached as `access` says), else a folder of this one.
std::unique_ptr<Side> sideFor(const std::string& folder);
std::unique_ptr<Side> sideFor(const std::string& folder, const RemoteAccess& access);

// Where set, asked first by sideFor for the side of each folder named: tests
// give sides made from tables this way (null: the folder's own side). Empty
// in production.
using SideMaker = std::function<std::unique_ptr<Side>(const std::string& folder)>;
SideMaker& sideMakerForTests();

// A side of a comparison as a request names it, found.
struct FoundSide {
    std::unique_ptr<Side> side;
    std::string path;         // the folder's, as the comparer handles it; empty where it is no folder
    std::string shownPath;    // the folder's, as a person names it
    bool folderHere = false;  // the folder given is on this machine
};

// The side for folder A or B of a request: the information file where one
// is given ("-": the standard input), read in place of the folder, else the
// folder itself. False, with why, where the folder is no folder.
bool findSide(const std::string& folder, const std::string& infoFile, const RemoteAccess& access, FoundSide& found,
              std::string& error);

}  // namespace dm
