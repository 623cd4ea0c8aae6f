#include "app/zelmor_app.h"

int main(int argc, char** argv) {
  zelmor::CZelmorApp application(argc, argv);
  application.InitInstance();
  return 0;
}
