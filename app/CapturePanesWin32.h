// The capture page's three panes: creating them in their fixed order (the
// owner-data packet list with its columns, the detail tree, the rich edit hex
// pane), their font, the sizing borders the user may grab, the layout in
// thirds and the re-fit of the neighbours after the user resized the tree.
// The arithmetic lives in app/PaneGeometry; here windows are only created and
// moved. GUI thread only.
#pragma once

#include <windows.h>

struct CapturePanes {
  HWND list = nullptr;
  HWND tree = nullptr;
  HWND hex = nullptr;
};

// Creates the panes as children of `page`; the rich edit library is loaded
// for the hex pane and kept until DestroyCapturePanes.
CapturePanes CreateCapturePanes(HWND page);

// The panes in thirds of the page's client area.
void LayOutCapturePanes(HWND page, const CapturePanes& panes);

// Destroys the panes (all handles back to null) and frees the rich edit library.
void DestroyCapturePanes(CapturePanes& panes);
