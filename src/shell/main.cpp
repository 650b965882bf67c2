#include "platform/files.h"
#include "shell/form_app.h"

int main(int argc, char** argv) {
  // A card copy or preparation cut short by a signal must not leave its temporaries on the card.
  korvan::RemoveTemporaryFilesOnSignals();
  return korvan::RunKorvanA(argc, argv);
}
