// The mesh storage: the load pipeline with a box for each step that can fail, and the
// records' drawing through the device agent's shared texture and vertex-format caches.
#include "render/XFileStorageC.h"

#include <cstdlib>
#include <new>

#include "base/FixedTexts.h"
#include "base/IniSettingsS.h"
#include "base/MemoryFailure.h"
#include "math/d3dx/D3DX.h"
#include "platform/console/StandardOutput.h"
#include "platform/path/Path.h"
#include "platform/xfile/XFile.h"
#include "render/D3DDeviceAgentC.h"

namespace RenderN {
namespace {

namespace fixed = BaseN::FixedText;

// Position, normal and one pair of texture coordinates: the layout every record has.
constexpr DWORD kMeshVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

void MemoryFailureHandler() {
  BaseN::ShowFatalErrorBox(fixed::kXFileMemoryFailure, false);
  std::exit(-1);
}

// The boxes name no file; in debug mode the output says which one failed and why.
void Fail(const char* name, const char* box, const std::string& reason) {
  if (BaseN::GetIniSettings().mDebugMode) {
    platform::console::Write(std::string("*** mesh \"") + name + "\" not loaded: " + reason +
                             " ***\n");
    platform::console::Flush();
  }
  BaseN::ShowFatalErrorBox(box, false);
}

D3DCOLORVALUE Color(const float (&rgb)[3], float alpha) { return {rgb[0], rgb[1], rgb[2], alpha}; }

D3DMATERIAL9 ToDeviceMaterial(const platform::xfile::Material& source) {
  D3DMATERIAL9 material{};
  material.Diffuse = {source.diffuse[0], source.diffuse[1], source.diffuse[2], source.diffuse[3]};
  // Meshes are lit by the scene's ambient light in their own colour.
  material.Ambient = material.Diffuse;
  material.Specular = Color(source.specular, 1.0f);
  material.Emissive = Color(source.emissive, 1.0f);
  material.Power = source.power;
  return material;
}

D3DXVECTOR3 Position(const platform::mesh::Mesh& mesh, std::uint16_t index) {
  const D3DVECTOR& p = mesh.vertices[index].position;
  return D3DXVECTOR3(p.x, p.y, p.z);
}

void MeasureFaceNormals(XFileInformationC& record) {
  const platform::mesh::Mesh& mesh = record.mMesh;
  record.mFaceNormal.resize(mesh.faceCount());
  for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
    const D3DXVECTOR3 p = Position(mesh, mesh.indices[3 * f]);
    const D3DXVECTOR3 q = Position(mesh, mesh.indices[3 * f + 1]);
    const D3DXVECTOR3 r = Position(mesh, mesh.indices[3 * f + 2]);
    const D3DXVECTOR3 a = p - q;
    const D3DXVECTOR3 b = p - r;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &a, &b);
    D3DXVec3Normalize(&normal, &normal);
    record.mFaceNormal[f] = normal;
  }
}

void MeasureBounds(XFileInformationC& record) {
  D3DVECTOR minimum{}, maximum{};
  if (platform::mesh::ComputeBoundingBox(record.mMesh, minimum, maximum)) {
    record.mOBBMin = Vector3C(minimum);
    record.mOBBMax = Vector3C(maximum);
  }
  record.mOBBCenter = Vector3C((record.mOBBMin + record.mOBBMax) * 0.5f);
  // The corner on the side of the box farther from the model's origin.
  if (D3DXVec3Length(&record.mOBBMax) >= D3DXVec3Length(&record.mOBBMin)) {
    record.mOBBDistance = Vector3C(record.mOBBMax - record.mOBBCenter);
  } else {
    record.mOBBDistance = Vector3C(record.mOBBMin - record.mOBBCenter);
  }
  D3DVECTOR centre{};
  float radius = 0.0f;
  if (platform::mesh::ComputeBoundingSphere(record.mMesh, centre, radius)) record.mRadius = radius;
}

}  // namespace

// ---- Records.

XFileInformationC::~XFileInformationC() {
  // Face normals, then the textures, the materials and the mesh, as they were made.
  mFaceNormal.clear();
  mMaterialTexture.clear();
  mMaterial.clear();
  mBuffer.reset();
}

platform::MeshBuffer* XFileInformationC::DeviceBuffer(platform::Device& device) const {
  const std::uint32_t serial = D3DDeviceAgentC::GetInstance().DeviceSerial();
  if (!mBuffer || mBufferDevice != serial) {
    mBuffer = device.CreateMeshBuffer(
        mMesh.vertices.data(), static_cast<unsigned>(mMesh.vertices.size()),
        sizeof(platform::mesh::Vertex), mMesh.indices.data(),
        static_cast<unsigned>(mMesh.indices.size()));
    mBufferDevice = serial;
  }
  return mBuffer.get();
}

void XFileInformationC::DrawMaterial(std::size_t index) const {
  D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  platform::Device* device = agent.mDevice.get();
  if (!device) return;
  device->SetMaterial(mMaterial[index]);
  const platform::TextureRef none;
  const SPTEXTUREDATA& record = mMaterialTexture[index];
  const platform::TextureRef& texture = record ? record->mTexture : none;
  agent.BindStageTexture(texture);
  DrawMeshSubset(index);
}

void XFileInformationC::DrawMeshSubset(std::size_t index) const {
  D3DDeviceAgentC& agent = D3DDeviceAgentC::GetInstance();
  platform::Device* device = agent.mDevice.get();
  if (!device) return;
  for (const platform::mesh::AttributeRange& range : mMesh.attributeTable) {
    if (range.attributeId != index || range.faceCount == 0) continue;
    if (platform::MeshBuffer* buffer = DeviceBuffer(*device)) {
      device->SetFVF(kMeshVertexFormat);
      device->DrawIndexedTriangles(*buffer, range.faceStart * 3, range.faceCount);
    }
    break;
  }
  // The mesh's vertex format replaced the faces' one.
  agent.mStandardVertexFormat = 0;
}

void XFileInformationC::Draw() const {
  // Scripts may change mMaterialNum; only materials the file declared can be drawn.
  const std::size_t count = std::min<std::size_t>(mMaterialNum, mMaterial.size());
  for (std::size_t i = 0; i < count; ++i) DrawMaterial(i);
}

void XFileInformationC::DrawSubset(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= mMaterial.size()) return;
  DrawMaterial(static_cast<std::size_t>(index));
}

// ---- The storage.

XFileStorageC& XFileStorageC::GetInstance() {
  static XFileStorageC instance;
  return instance;
}

XFileStorageC& XFILE() { return XFileStorageC::GetInstance(); }

XFileStorageC::XFileStorageC() { XFileInformationC::SetNewHandler(MemoryFailureHandler); }

SPXFILEDATA XFileStorageC::GetXFile(const char* name) {
  if (!name) name = "";  // no file has an empty name: the load fails with its box
  auto found = mXFiles.find(name);
  if (found != mXFiles.end()) return found->second;
  SPXFILEDATA record = LoadXFile(name);
  mXFiles.emplace(name, record);
  return record;
}

bool XFileStorageC::Erase(const char* name) {
  if (!name) return false;
  return mXFiles.erase(name) > 0;
}

void XFileStorageC::ClearAll() { mXFiles.clear(); }

SPXFILEDATA XFileStorageC::LoadXFile(const char* name) {
  // 1. Read the file into one merged mesh with its materials.
  platform::xfile::MeshData loaded;
  std::string reason;
  if (!platform::xfile::LoadMeshFile(platform::path::Resolve(name), loaded, reason)) {
    Fail(name, fixed::kXFileLoadFailure, reason);
    return nullptr;
  }

  // 2. The record, its materials and their textures (named as the file writes them).
  SPXFILEDATA record(new XFileInformationC);
  record->mMaterialNum = static_cast<std::uint32_t>(loaded.materials.size());
  record->mMaterial.reserve(loaded.materials.size());
  record->mMaterialTexture.resize(loaded.materials.size());
  for (std::size_t i = 0; i < loaded.materials.size(); ++i) {
    record->mMaterial.push_back(ToDeviceMaterial(loaded.materials[i]));
    const std::string& texture = loaded.materials[i].textureFilename;
    if (!texture.empty()) {
      record->mMaterialTexture[i] = TextureStorageC::GetInstance().GetTexture(texture.c_str());
    }
  }

  // 3. The engine's vertex layout; 16-bit indices limit the vertex count.
  try {
    if (!platform::mesh::BuildMesh(loaded, record->mMesh, reason)) {
      Fail(name, fixed::kXFileReformatFailure, reason);
      return nullptr;
    }
  } catch (const std::bad_alloc&) {
    Fail(name, fixed::kXFileReformatFailure, "out of memory");
    return nullptr;
  }
  loaded = platform::xfile::MeshData();

  // 4. Unused vertices dropped, faces grouped by material and ordered for the vertex cache.
  try {
    platform::mesh::Optimize(record->mMesh);
  } catch (const std::bad_alloc&) {
    Fail(name, fixed::kXFileOptimizeFailure, "out of memory");
    return nullptr;
  }

  // 5. Vertices shared by surfaces that only touch at them are split.
  try {
    if (!platform::mesh::Clean(record->mMesh, reason)) {
      Fail(name, fixed::kXFileCleanFailure, reason);
      return nullptr;
    }
  } catch (const std::bad_alloc&) {
    Fail(name, fixed::kXFileCleanFailure, "out of memory");
    return nullptr;
  }

  // 6-9. Normals from the geometry, then the measurements the hit tests use.
  platform::mesh::ComputeVertexNormals(record->mMesh);
  MeasureFaceNormals(*record);
  MeasureBounds(*record);
  return record;
}

}  // namespace RenderN
