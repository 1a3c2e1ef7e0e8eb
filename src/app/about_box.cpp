#include "app/main_dialog.h"

namespace tagline::app {

void MainDialog::OnAbout() {
  // Modal, and nothing is stopped for it: the poll and any running job go on behind it.
  host_.ShowAboutBox();
}

}  // namespace tagline::app
