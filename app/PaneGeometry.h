// Where the capture page's three panes go: the thirds laid out on every size
// change of the page, the re-fit of the neighbours after the user resized the
// detail tree, and which sizing borders the user may grab. Plain arithmetic on
// rectangles and hit-test codes, so the window code only moves windows.
#pragma once

// A rectangle with the platform's RECT fields (right and bottom exclusive).
struct PaneRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const PaneRect&) const = default;
};

// A window position as a move gives it: left, top, width, height.
struct PaneMove {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PaneMove&) const = default;
};

struct PaneThirds {
  PaneMove list, tree, hex;
};

// The list, the tree and the hex pane stacked in thirds of the page's client
// rectangle; the remainder of the division stays empty below the hex pane.
PaneThirds LayoutInThirds(const PaneRect& client);

// Which neighbours move after the user resized the tree.
struct TreeRefit {
  bool moves_list = false;  // the top edge was dragged: list and tree move
  PaneMove list;
  PaneMove tree;
  bool moves_hex = false;  // the bottom edge was dragged: tree and hex pane move
  PaneMove hex;
};

// `list`, `tree` and `hex` in screen coordinates, `page` the page's client
// rectangle. When the list still ends where the tree begins, the tree's bottom
// edge moved and the hex pane takes the height below it; otherwise its top edge
// moved and the list takes the height above it.
TreeRefit RefitAroundTree(const PaneRect& page, const PaneRect& list, const PaneRect& tree,
                          const PaneRect& hex);

// Hit-test codes of the platform (WM_NCHITTEST results).
enum HitTest : int {
  kHitNowhere = 0,
  kHitLeft = 10,
  kHitRight = 11,
  kHitTop = 12,
  kHitTopLeft = 13,
  kHitTopRight = 14,
  kHitBottom = 15,
  kHitBottomLeft = 16,
  kHitBottomRight = 17,
};

// The default hit-test result rewritten so that the list can be resized at
// its bottom edge only, and the tree at its top and bottom edges only.
int ListHitTest(int default_result);
int TreeHitTest(int default_result);
