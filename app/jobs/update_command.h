// File → Update catalogue online…: the catalogue update as a background
// job under its progress window, after the unsaved-changes question and a
// backup, then the catalogue reloaded and the outcome on the status line.
#pragma once

void OnUpdateCatalogueOnline();
