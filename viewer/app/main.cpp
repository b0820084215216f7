#include "viewer_app.h"

int main(int argc, char** argv) {
  CViewerApp app;
  return app.Run(argc, argv);
}
