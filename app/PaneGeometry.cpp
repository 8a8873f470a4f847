// The capture page's pane arithmetic.
#include "app/PaneGeometry.h"

PaneThirds LayoutInThirds(const PaneRect& client) {
  const int width = client.Width();
  const int third = client.Height() / 3;
  return PaneThirds{{client.left, client.top, width, third},
                    {client.left, third, width, third},
                    {client.left, 2 * third, width, third}};
}

TreeRefit RefitAroundTree(const PaneRect& page, const PaneRect& list, const PaneRect& tree,
                          const PaneRect& hex) {
  const int width = page.Width();
  const int height = page.Height();
  TreeRefit refit;
  if (list.bottom == tree.top) {
    refit.moves_hex = true;
    refit.tree = {page.left, list.Height(), width, tree.Height()};
    refit.hex = {page.left, list.Height() + tree.Height(), width,
                 height - list.Height() - tree.Height()};
  } else {
    refit.moves_list = true;
    const int above = height - tree.Height() - hex.Height();
    refit.list = {page.left, page.top, width, above};
    refit.tree = {page.left, above, width, tree.Height()};
  }
  return refit;
}

int ListHitTest(int default_result) {
  switch (default_result) {
    case kHitLeft:
    case kHitRight:
    case kHitTop:
    case kHitTopLeft:
    case kHitTopRight:
      return kHitNowhere;
    case kHitBottomLeft:
    case kHitBottomRight:
      return kHitBottom;
    default:
      return default_result;
  }
}

int TreeHitTest(int default_result) {
  switch (default_result) {
    case kHitLeft:
    case kHitRight:
      return kHitNowhere;
    case kHitTopLeft:
    case kHitTopRight:
      return kHitTop;
    case kHitBottomLeft:
    case kHitBottomRight:
      return kHitBottom;
    default:
      return default_result;
  }
}
