#pragma once
// The system image list: the icons the desktop shows for files, by index,
// each as a small (16 x 16) and a large (32 x 32) picture. A file's icon
// comes from its MIME type in the shared MIME database (GIO's content
// types: by content for an existing file, by name alone for a path that is
// not there or when asked to) and that type's icon names in the user's
// icon theme (icontheme.h). The list is one per process and only grows:
// an icon joins it, loaded once, when it is first met, and keeps its index
// for the run. The first five indexes are fixed, as the shell's list
// starts: 0 an unknown file, 1 a document, 2 a program, 3 a folder, 4 an
// open folder.
//
//   int i = SystemIconIndex("/home/u/notes.txt", false);   // -1: no icon
//   TSize s = SystemIconSize(i, false);                    // 16 x 16, or 0 x 0
//   DrawSystemIcon(canvas, 4, 4, i, false);
//
// Whatever the desktop lacks (a MIME database, a theme, an icon for the
// type, an icon file that decodes) gives no icon: nothing is drawn, the
// size is 0 x 0, and nothing raises. Safe from any thread.
#include <string>

#include "platform/ui/canvas.h"
#include "platform/ui/types.h"

namespace tavrel {

// The list index of the icon for `path`; -1 when it has none. Only the
// first bytes of a regular file are read.
int SystemIconIndex(const std::string& path, bool byNameOnly);

// The size of icon `index` in the small or large picture; 0 x 0 for an
// index outside the list or an icon the theme lacks.
TSize SystemIconSize(int index, bool large);

// Draws icon `index` with its transparency, top left at (x, y); nothing
// where SystemIconSize is 0 x 0.
void DrawSystemIcon(TCanvas& canvas, int x, int y, int index, bool large);

// Empties the list, at the window layer's shut-down; a later use reads the
// environment, the theme and the icons again.
void ClearSystemImageList();

}  // namespace tavrel
