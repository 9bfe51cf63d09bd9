// Appends its arguments, one line per start, to $LUMTRAX_HOME/woke.txt.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* home = getenv("LUMTRAX_HOME");
  if (!home) return 1;
  FILE* f = fopen((std::string(home) + "/woke.txt").c_str(), "a");
  if (!f) return 1;
  for (int i = 1; i < argc; ++i) fprintf(f, "%s%s", i > 1 ? "|" : "", argv[i]);
  fprintf(f, "\n");
  fclose(f);
  return 0;
}
