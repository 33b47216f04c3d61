#include "app/Vozmira.h"

int main() {
  return RunVozmira();
}
