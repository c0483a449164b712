#pragma once

#include <string>

class QWidget;

// The folder browser of Open project: offers root and the folders below it, nothing else, with
// current pre-selected when it names one of them. Modal over owner. Sets *chosen and returns the
// chosen folder's full path, or returns an empty text with *chosen false when cancelled.
std::string BrowseForProjectFolder(QWidget* owner, const std::string& root, const std::string& current,
                                   bool* chosen);
