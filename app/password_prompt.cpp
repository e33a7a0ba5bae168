#include "password_prompt.h"

#include "myfile.h"

#include <cctype>
#include <cstdio>
#include <unistd.h>

char* read_password() {
  // Unbuffered, so that no copy of the password is left in stdin's buffer when
  // it is read from a pipe.
  setvbuf(stdin, nullptr, _IONBF, 0);
  char* password = getpass(kPasswordPrompt);
  if (password == nullptr) {
    current_src_line = 0;
    current_src_file = "main";
    my_error("can't read password");
  }
  return password;
}

void upper_case(char* text) {
  for (char* c = text; *c != '\0'; ++c) {
    *c = static_cast<char>(toupper(static_cast<unsigned char>(*c)));
  }
}
