// Keys of the show's other windows go to the player form.
#include "player/key_forwarder.h"

#include "player/frm_pb.h"

namespace lantern::player {

void KeyForwarder::OnKeyDown(int key, int shift) {
  form_.Form_KeyDown(key, shift);
}

void KeyForwarder::OnKeyUp(int key, int shift) {
  form_.Form_KeyUp(key, shift);
}

}  // namespace lantern::player
