#include <gtest/gtest.h>

#include "shell/form_app.h"
#include "shell/form_windows.h"

// The main of every window test program: the program's own application class, so that
// errors escaping a handler reach the error display as they do in korvan-a.
int main(int argc, char** argv) {
  korvan::KorvanApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
