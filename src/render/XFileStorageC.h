// The process-wide cache of .x meshes: each file is loaded once per exact name through the
// fixed pipeline (load, re-format, optimise, clean, normals, bounds) into a record that
// keeps its materials and textures, draws itself and carries the bounds the hit tests use.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "math/Vector3C.h"
#include "platform/gfx/D3DTypes.h"
#include "platform/gfx/Device.h"
#include "platform/mesh/Mesh.h"
#include "render/TextureStorageC.h"
#include "utility/NewHandlerSupportC.h"
#include "utility/UncopyableC.h"

namespace RenderN {

class XFileInformationC : public MemoryN::NewHandlerSupportC<XFileInformationC>,
                          private UtilityN::UncopyableC {
 public:
  XFileInformationC() = default;
  ~XFileInformationC();

  /// Draws every material's subset with its material and texture.
  void Draw() const;
  /// Draws one subset; indices outside the materials the file declared draw nothing.
  void DrawSubset(int index) const;
  /// Draws the faces of one subset with whatever material, texture or effect pass is set:
  /// only the mesh's vertex format and its triangles.
  void DrawMeshSubset(std::size_t index) const;

  platform::mesh::Mesh mMesh;  ///< system-memory copy: 32-byte vertices, 16-bit indices
  std::uint32_t mMaterialNum = 0;
  std::vector<D3DMATERIAL9> mMaterial;
  std::vector<SPTEXTUREDATA> mMaterialTexture;  ///< empty where a material has no texture
  Vector3C mOBBCenter;
  Vector3C mOBBDistance;
  Vector3C mOBBMin;
  Vector3C mOBBMax;
  float mRadius = 0.0f;
  std::vector<Vector3C> mFaceNormal;  ///< one per face, in the mesh's face order

 private:
  void DrawMaterial(std::size_t index) const;
  /// The device's copy of the mesh, made on the first draw on a device.
  platform::MeshBuffer* DeviceBuffer(platform::Device& device) const;

  mutable platform::MeshBufferRef mBuffer;
  mutable std::uint32_t mBufferDevice = 0;  ///< serial of the device that holds mBuffer
};

using SPXFILEDATA = std::shared_ptr<XFileInformationC>;

class XFileStorageC : private UtilityN::UncopyableC {
 public:
  /// The single storage; the first call installs the record's memory-failure handler.
  static XFileStorageC& GetInstance();

  /// The record of this exact name, loading the file on the first request. A failed load
  /// is stored too: the name answers with an empty handle, without a new box, until it is
  /// erased.
  SPXFILEDATA GetXFile(const char* name);
  /// Removes the entry; holders keep their record. False when there was none.
  bool Erase(const char* name);
  void ClearAll();

  std::size_t Size() const { return mXFiles.size(); }

  /// Runs the whole load of one file; empty, after a box, when a step fails.
  static SPXFILEDATA LoadXFile(const char* name);

 private:
  XFileStorageC();

  std::map<std::string, SPXFILEDATA> mXFiles;
};

/// The module function RenderN.XFILE: the storage.
XFileStorageC& XFILE();

}  // namespace RenderN
