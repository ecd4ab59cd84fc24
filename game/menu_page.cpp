#include "game/menu_page.h"

#include <GL/glew.h>
#include <FTGL/ftgl.h>

#include "game/screen_overlay.h"
#include "kettar/font.h"

MenuPage::MenuPage(Kettar::Font* font_, MenuPage* parent_, float scale_)
    : parent(parent_), scale(scale_), font(font_) {
  if (font != nullptr && font->font != nullptr) font->font->FaceSize(60, 72);
}

void MenuPage::setTitle(const std::string& text, float x, float y) {
  title = text;
  titleX = x;
  titleY = y;
}

MenuPage* MenuPage::addItem(const std::string& text, std::unique_ptr<MenuPage> subPage, float x,
                            float y) {
  itemTexts.push_back(text);
  itemX.push_back(x);
  itemY.push_back(y);
  subPages.push_back(std::move(subPage));
  return subPages.back().get();
}

void MenuPage::addLine(const std::string& text, float x, float y) {
  lineTexts.push_back(text);
  lineX.push_back(x);
  lineY.push_back(y);
}

bool MenuPage::selectUp() {
  if (active) {
    if (selection <= 0) return false;
    --selection;
    return true;
  }
  for (const auto& sub : subPages) {
    if (sub && sub->selectUp()) return true;
  }
  return false;
}

bool MenuPage::selectDown() {
  if (active) {
    // Signed: a page without items (the credits) has no last item to stop at.
    if (selection >= itemCount() - 1) return false;
    ++selection;
    return true;
  }
  for (const auto& sub : subPages) {
    if (sub && sub->selectDown()) return true;
  }
  return false;
}

MenuPage* MenuPage::back() {
  if (active) {
    if (parent == nullptr) return this;
    active = false;
    return parent;
  }
  for (const auto& sub : subPages) {
    if (!sub) continue;
    MenuPage* answer = sub->back();
    if (answer != nullptr) {
      answer->active = true;
      return answer;
    }
  }
  return nullptr;
}

int32_t MenuPage::activate(MenuPage*& page) {
  if (active) {
    const int32_t index = selection;
    if (hasSubPage(index)) {
      active = false;
      subPages[index]->active = true;
    }
    page = this;
    return index;
  }
  for (const auto& sub : subPages) {
    if (!sub) continue;
    const int32_t index = sub->activate(page);
    if (index != -1) return index;
  }
  return -1;
}

bool MenuPage::hasSubPage(int32_t index) const {
  return index >= 0 && index < static_cast<int32_t>(subPages.size()) && subPages[index] != nullptr;
}

void MenuPage::draw() const {
  if (!active) {
    for (const auto& sub : subPages) {
      if (sub) sub->draw();
    }
    return;
  }
  FTFont* face = font != nullptr ? font->font : nullptr;
  glPushMatrix();
  glScalef(scale, scale, scale);
  if (!title.empty()) {
    glColor3ub(118, 184, 162);
    renderOverlayText(face, title, titleX, titleY);
  }
  for (int32_t i = 0; i < itemCount(); ++i) {
    if (i == selection) {
      glColor3ub(105, 223, 184);
    } else {
      glColor3f(0.2f, 0.2f, 0.2f);
    }
    renderOverlayText(face, itemTexts[i], itemX[i], itemY[i]);
  }
  glColor3f(0.8f, 0.8f, 0.8f);
  for (size_t i = 0; i < lineTexts.size(); ++i) {
    renderOverlayText(face, lineTexts[i], lineX[i], lineY[i]);
  }
  glPopMatrix();
}
