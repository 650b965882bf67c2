#include "shell/form_app.h"

int main(int argc, char** argv) { return korvan::RunKorvanA(argc, argv); }
