// main.cpp - the zoltgate program: one CGI request per process.

#include "entry/zgwmain.h"

int main(int argc, char** argv) { return zgwmain(argc, argv); }
