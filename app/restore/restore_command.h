// File → Restore from backup…: puts a database file the user picks in
// place of binderwell.db, after checking it and making a safety copy of
// the current one, and puts the current one back when the restored file
// cannot be loaded.
#pragma once

void OnRestoreFromBackup();
