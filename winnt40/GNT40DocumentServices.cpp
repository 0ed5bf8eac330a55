#include "winnt40/GNT40DocumentServices.h"

#include <mutex>

namespace {

std::mutex g_lock;
GNT40DocumentServices g_services;

}  // namespace

void SetNT40DocumentServices(const GNT40DocumentServices& services) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_services = services;
}

GNT40DocumentServices GetNT40DocumentServices() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_services;
}
