#include "graphics/GraphicsServices.h"

#include <new>

#include "driver/GUpwardServices.h"
#include "driver/drvrsrvr.h"
#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GFontDatabase.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GTTFontPool.h"
#include "printpath/GRenderInstance.h"

namespace {

// ---- The print-side instance's font database ----

GFontDatabase* CreateFontDatabase(GDriverInstance*, uint32_t instanceKey) {
  return new (std::nothrow) GFontDatabase(instanceKey);
}

void DeleteFontDatabase(GFontDatabase* database) { delete database; }

void ClearFontDatabase(GFontDatabase* database) {
  if (database != nullptr) database->Clear();
}

void SetFontDatabaseKey(GFontDatabase* database, uint32_t instanceKey) {
  if (database != nullptr) database->SetInstance(instanceKey);
}

// ---- Its graphics state ----

GAttribute* CreateLineCap(int32_t cap) { return new GCap(cap, nullptr); }

GAttribute* CreateLineJoin(int32_t join) { return new GJoint(join, nullptr); }

GAttribute* CreateMiterJoin(float limit) { return new GMiterJoint(limit, nullptr); }

GAttribute* CreateClipToPage() {
  static const int32_t kClipId = 177;
  return new GClipToPage(&kClipId);
}

GAttribute* CreateClipToPath(GCommand* path, int32_t region, int32_t rule) {
  static const int32_t kClipId = 177;
  auto* shape = dynamic_cast<GPathGraphic*>(path);
  if (shape == nullptr) return nullptr;
  return new GClipToPath(shape, region, rule, &kClipId);
}

GCommand* CreatePath() { return new GPathGraphic(nullptr, nullptr); }

// ---- The spooling filters' fonts ----

// The job's font database of a print-side instance: its own, or else the
// one registered under its driver-server handle.
GFontDatabase* JobFontDatabase(GDriverInstance* instance) {
  if (instance == nullptr) return nullptr;
  if (auto* render = dynamic_cast<GRenderInstance*>(instance)) {
    if (GFontDatabase* database = render->GetFontDatabase()) return database;
  }
  GDriverServer* server = GDriverServer::GetInstance();
  int handle = 0;
  if (server == nullptr || !server->GetRenderHandle(&handle, instance)) return nullptr;
  return GFontDatabase::FindForInstance(static_cast<uint32_t>(handle));
}

// A job without a font database has nothing to save: the save is done.
int SaveSpoolFonts(GDriverInstance* instance, const RWWString& path) {
  GFontDatabase* database = JobFontDatabase(instance);
  return database == nullptr || database->SaveToFile(path) != 0 ? 1 : 0;
}

int LoadSpoolFonts(GDriverInstance* instance, const RWWString& path) {
  GFontDatabase* database = JobFontDatabase(instance);
  return database != nullptr && database->LoadFromFile(path) != 0 ? 1 : 0;
}

// The driver server closed its last print-side instance.
void ResetFontPool() {
  if (GTTFontPool* pool = GTTFontPool::GetInstance()) pool->Reset();
}

}  // namespace

void AddGraphicsServices(GUpwardServices* services) {
  if (services == nullptr) return;
  GRenderGraphicsServices& render = services->renderGraphics;
  render.createFontDatabase = &CreateFontDatabase;
  render.deleteFontDatabase = &DeleteFontDatabase;
  render.clearFontDatabase = &ClearFontDatabase;
  render.setFontDatabaseKey = &SetFontDatabaseKey;
  render.createLineCap = &CreateLineCap;
  render.createLineJoin = &CreateLineJoin;
  render.createMiterJoin = &CreateMiterJoin;
  render.createClipToPage = &CreateClipToPage;
  render.createClipToPath = &CreateClipToPath;
  render.createPath = &CreatePath;
  services->spoolFonts.save = &SaveSpoolFonts;
  services->spoolFonts.load = &LoadSpoolFonts;
  services->fontPoolReset = &ResetFontPool;
}

void CreateFontPool() { GTTFontPool::RegisterInstance(new GTTFontPool); }

void DestroyFontPool() { GTTFontPool::DestroyInstance(); }
