#pragma once
// One page of the menu's tree: a title, selectable items, plain text lines and
// one optional sub-page per item. Exactly one page of a tree is active; the tree
// operations (draw, the selection moves, back, activate) are called on the root
// and act on the active page wherever it is, searching depth first through the
// sub-pages in item order.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Kettar {
struct Font;
}

class MenuPage {
 public:
  // Sets the font's face size to 60 when the font loaded.
  MenuPage(Kettar::Font* font, MenuPage* parent, float scale);
  MenuPage(const MenuPage&) = delete;
  MenuPage& operator=(const MenuPage&) = delete;

  void setTitle(const std::string& text, float x, float y);
  // Appends an item that opens the sub-page (which the page then owns) or
  // nothing; returns the sub-page.
  MenuPage* addItem(const std::string& text, std::unique_ptr<MenuPage> subPage, float x, float y);
  void addLine(const std::string& text, float x, float y);

  // Only the active page draws, in world space at depth 0 under its scale.
  void draw() const;
  // On the active page: moves the selection by one item; false at the first or
  // last item (and always on a page without items).
  bool selectUp();
  bool selectDown();
  // Left and Right move nothing.
  bool selectLeft() { return false; }
  bool selectRight() { return false; }
  // The active page hands the active mark to its parent and returns it; the
  // root keeps it and returns itself. Null when no page of the tree is active.
  MenuPage* back();
  // The active page's selected index, with the page in page; the item's
  // sub-page, if any, becomes the active one. -1 (page untouched) when no page
  // of the tree is active.
  int32_t activate(MenuPage*& page);
  bool hasSubPage(int32_t index) const;
  int32_t itemCount() const { return static_cast<int32_t>(itemTexts.size()); }

  int32_t selection = 0;  // index of the selected item; 0 on a page without items
  bool active = false;    // set on the one active page of the tree
  MenuPage* parent;       // null for the root
  std::string title;      // empty: no title is drawn
  float titleX = 0.0f;
  float titleY = 0.0f;
  float scale;            // uniform drawing scale of the page units
  Kettar::Font* font;     // the game's sector font, not owned; its font may be null
  // One entry per item in each of itemTexts, itemX, itemY and subPages.
  std::vector<std::string> itemTexts;
  std::vector<std::string> lineTexts;
  std::vector<float> itemX;
  std::vector<float> lineX;
  std::vector<float> itemY;
  std::vector<float> lineY;
  std::vector<std::unique_ptr<MenuPage>> subPages;  // null where the item opens nothing
};
