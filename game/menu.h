#pragma once
// The screen shown at start and after every level: a tree of text pages (main
// page, chapter and level selection, options with their value pages, credits)
// in front of a full-view background, driven by the keyboard. From it the
// player starts a level by its file name, changes the video and audio
// settings, reads the credits or quits.

#include <cstdint>
#include <memory>

#include "game/menu_page.h"
#include "kettar/callback_interface.h"

class ScreenHost;

class Menu : public Kettar::CallbackInterface {
 public:
  // Loads the backgrounds and sounds, builds the whole page tree and makes the
  // root page active; the last page shown is left as it is.
  explicit Menu(ScreenHost* app);
  // Frees the tree; the textures and sounds stay with their managers.
  ~Menu();
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  void draw() override;
  void keyEvent(uint8_t* keys, int32_t key) override;

  // The effect of activating the item at index on the page.
  void onAction(MenuPage* page, int32_t index);
  // Records the page as the last page shown and picks its background; true when
  // it differs from the previous last page shown and that one was not empty.
  bool setPage(MenuPage* page);

  ScreenHost* app;  // not owned
  std::unique_ptr<MenuPage> root;
  // The pages below are references into the tree, which the root owns.
  MenuPage* options = nullptr;
  MenuPage* resolutionPage = nullptr;
  MenuPage* fullscreenPage = nullptr;
  MenuPage* vsyncPage = nullptr;
  MenuPage* antialiasPage = nullptr;
  MenuPage* soundVolumePage = nullptr;
  MenuPage* musicVolumePage = nullptr;
  MenuPage* chapters = nullptr;
  MenuPage* levelPages[3] = {};  // tutorial, first chapter, second chapter
  MenuPage* credits = nullptr;
  int32_t mainBackground = -1;     // texture ids; -1 when the load failed
  int32_t chapterBackground = -1;
  int32_t background = -1;         // one of the two, the main one until a page is shown
  int32_t selectSound = -1;        // mixer sound handles; -1 when the sound did not load
  int32_t enterSound = -1;
  int32_t backSound = -1;

  // The page that setPage recorded last, for the whole run: Esc and Backspace
  // quit when going back lands on it. Null at start and once its tree is freed.
  static MenuPage* lastPageShown;

 private:
  void buildTree();
  void play(int32_t sound) const;
  void quit() const;
};
