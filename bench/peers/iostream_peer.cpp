// The same 8,000 bytes written the conventional way: a std::string and
// std::cout, with the usual runtime, dynamically linked.
#include <iostream>
#include <string>

int main() {
  std::string text;
  for (int i = 0; i < 4000; ++i) text += "A*";
  std::cout << text;
  return 0;
}
