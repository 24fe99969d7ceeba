// Every window of the show other than the player (cover windows, floating
// windows) hands its keys to the player form, so a key does the same
// wherever the focus is.
#pragma once

#include "platform/platform.h"

namespace lantern::player {

class FrmPb;

class KeyForwarder : public platform::WindowHandler {
 public:
  explicit KeyForwarder(FrmPb& form) : form_(form) {}
  void OnKeyDown(int key, int shift) override;
  void OnKeyUp(int key, int shift) override;

 protected:
  FrmPb& form() { return form_; }

 private:
  FrmPb& form_;
};

}  // namespace lantern::player
