// The store page's record of the pictures it has found whole in its images
// folder. Checking a stored picture means opening and reading it, and on
// some file systems thousands of opens take longer than the rest of the page;
// so a picture read whole once is trusted on later runs for as long as its
// size and last-write time are what they were then. Anything else (a picture
// cut short, rewritten, replaced or new) is read again.
//
// The record lives in the program folder, never in the folder the user
// publishes, and speaks of one images folder at a time. It is only a
// shortcut: a missing, damaged or foreign record costs time, nothing else.
#pragma once

#include "core/file_replace.h"

#include <map>
#include <string>

// A picture's size and last-write time as ReadFileStamp gives them.
using PictureStamp = FileStamp;

struct PictureRecord {
    std::wstring folder;                         // the images folder spoken of
    std::map<std::string, PictureStamp> whole;  // file name (UTF-8) -> stamp when read whole
};
bool operator==(const PictureRecord& a, const PictureRecord& b);

// "store-images.txt" in the program folder; empty without a program folder.
std::wstring PictureRecordPath();

// The record at path when it speaks of folder; otherwise an empty record of
// folder. Lines that do not read cleanly are left out.
PictureRecord LoadPictureRecord(const std::wstring& path, const std::wstring& folder);

// Replaces the record at path as a whole file.
bool SavePictureRecord(const std::wstring& path, const PictureRecord& record, std::string& error);
