// The mesh storage as games use it: records loaded once per name with their materials,
// textures and bounds, the boxes of failed loads, drawing through the device, and the
// sphere, box and ray tests against known boxes.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "base/FixedTexts.h"
#include "platform/text/Text.h"
#include "render/HitJudgment.h"
#include "render/XFileStorageC.h"
#include "unit/drawables_fixture.h"

namespace {

using RenderN::SPXFILEDATA;

// Vertex i of a box has the minimum x, y, z where bit 0, 1, 2 of i is clear. The quads
// run clockwise seen from outside, Direct3D's front side.
constexpr int kBoxQuads[6][4] = {{2, 3, 1, 0}, {7, 6, 4, 5}, {6, 2, 0, 4},
                                 {3, 7, 5, 1}, {0, 1, 5, 4}, {2, 6, 7, 3}};

// A text .x file of one box; the -z side (quad 0) takes material 0, which names
// `texture` when it is not empty, and the other sides material 1.
std::string BoxFile(D3DXVECTOR3 lo, D3DXVECTOR3 hi, const std::string& texture = "") {
  std::ostringstream x;
  x << "xof 0302txt 0032\nMesh box {\n8;\n";
  for (int i = 0; i < 8; ++i) {
    x << (i & 1 ? hi.x : lo.x) << ";" << (i & 2 ? hi.y : lo.y) << ";" << (i & 4 ? hi.z : lo.z)
      << (i == 7 ? ";;\n" : ";,\n");
  }
  x << "6;\n";
  for (int q = 0; q < 6; ++q) {
    x << "4;" << kBoxQuads[q][0] << "," << kBoxQuads[q][1] << "," << kBoxQuads[q][2] << ","
      << kBoxQuads[q][3] << (q == 5 ? ";;\n" : ";,\n");
  }
  x << "MeshMaterialList {\n2;\n6;\n0,1,1,1,1,1;;\n"
    << "Material { 1.0;0.5;0.25;1.0;; 8.0; 0.1;0.2;0.3;; 0.0;0.0;0.4;;";
  if (!texture.empty()) x << " TextureFilename { \"" << texture << "\"; }";
  x << " }\nMaterial { 0.0;1.0;0.0;0.5;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n}\n}\n";
  return x.str();
}

class XFileStorage : public drawtest::DrawablesTest {
 protected:
  void TearDown() override {
    Meshes().ClearAll();
    drawtest::DrawablesTest::TearDown();
  }

  static RenderN::XFileStorageC& Meshes() { return RenderN::XFileStorageC::GetInstance(); }

  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(mFolder + "/" + name, std::ios::binary) << text;
    return name;
  }

  SPXFILEDATA Box(D3DXVECTOR3 lo = {-1, -1, -1}, D3DXVECTOR3 hi = {1, 1, 1}) {
    std::ostringstream name;
    name << "box" << mBoxes++ << ".x";
    return Meshes().GetXFile(Write(name.str(), BoxFile(lo, hi)).c_str());
  }

  int mBoxes = 0;
};

std::string Utf8(const char* cp932) { return platform::text::Cp932ToUtf8(cp932); }

TEST_F(XFileStorage, RecordKeepsMaterialsTexturesNormalsAndBounds) {
  WritePng("wood.png", 8, 8);
  const std::string file = Write("crate.x", BoxFile({-5, -5, -5}, {1, 1, 1}, "wood.png"));
  SPXFILEDATA crate = Meshes().GetXFile(file.c_str());
  ASSERT_TRUE(crate);
  EXPECT_TRUE(Boxes().empty());

  // Materials in file order, lit by the ambient light in their diffuse colour.
  ASSERT_EQ(crate->mMaterialNum, 2u);
  const D3DMATERIAL9& wood = crate->mMaterial[0];
  EXPECT_EQ(wood.Diffuse.r, 1.0f);
  EXPECT_EQ(wood.Diffuse.g, 0.5f);
  EXPECT_EQ(wood.Diffuse.b, 0.25f);
  EXPECT_EQ(wood.Ambient.g, 0.5f);
  EXPECT_EQ(wood.Power, 8.0f);
  EXPECT_EQ(wood.Specular.b, 0.3f);
  EXPECT_EQ(wood.Emissive.b, 0.4f);
  EXPECT_EQ(crate->mMaterial[1].Diffuse.a, 0.5f);
  EXPECT_EQ(crate->mMaterial[1].Ambient.a, 0.5f);
  // The texture is the storage's record of the name as the file writes it.
  EXPECT_EQ(crate->mMaterialTexture[0], Storage().GetTexture("wood.png"));
  EXPECT_FALSE(crate->mMaterialTexture[1]);

  // Twelve triangles, one subset per material, one outward unit normal per face.
  const platform::mesh::Mesh& mesh = crate->mMesh;
  ASSERT_EQ(mesh.faceCount(), 12u);
  ASSERT_EQ(crate->mFaceNormal.size(), 12u);
  ASSERT_EQ(mesh.attributeTable.size(), 2u);
  EXPECT_EQ(mesh.attributeTable[0].faceCount, 2u);
  EXPECT_EQ(mesh.attributeTable[1].faceCount, 10u);
  for (std::size_t f = 0; f < mesh.faceCount(); ++f) {
    D3DXVECTOR3 middle(0, 0, 0);
    for (int k = 0; k < 3; ++k) middle += D3DXVECTOR3(mesh.vertices[mesh.indices[3 * f + k]].position);
    middle = middle / 3.0f - crate->mOBBCenter;
    const D3DXVECTOR3& n = crate->mFaceNormal[f];
    EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, 1e-6f);
    EXPECT_GT(D3DXVec3Dot(&n, &middle), 0.0f) << "face " << f;
    // The -z side is the one of material 0.
    EXPECT_EQ(n.z == -1.0f, mesh.attributes[f] == 0) << "face " << f;
  }

  // The box, its far corner and the sphere.
  EXPECT_EQ(crate->mOBBMin, D3DXVECTOR3(-5, -5, -5));
  EXPECT_EQ(crate->mOBBMax, D3DXVECTOR3(1, 1, 1));
  EXPECT_EQ(crate->mOBBCenter, D3DXVECTOR3(-2, -2, -2));
  EXPECT_EQ(crate->mOBBDistance, D3DXVECTOR3(-3, -3, -3));
  EXPECT_NEAR(crate->mRadius, 3.0f * std::sqrt(3.0f), 1e-5f);
  EXPECT_EQ(Box({-1, -1, -1}, {5, 5, 5})->mOBBDistance, D3DXVECTOR3(3, 3, 3));
}

TEST_F(XFileStorage, OneRecordPerExactNameAndFailedNamesStayQuietUntilErased) {
  const std::string file = Write("one.x", BoxFile({0, 0, 0}, {1, 1, 1}));
  SPXFILEDATA first = Meshes().GetXFile("one.x");
  EXPECT_EQ(Meshes().GetXFile("one.x"), first);
  const SPXFILEDATA other = Meshes().GetXFile("./one.x");
  ASSERT_TRUE(other);
  EXPECT_NE(other, first);

  EXPECT_FALSE(Meshes().GetXFile("missing.x"));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Xファイルの読み込みに失敗しました。");
  EXPECT_FALSE(Meshes().GetXFile("missing.x"));
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(Meshes().Erase("missing.x"));
  EXPECT_FALSE(Meshes().Erase("missing.x"));
  EXPECT_FALSE(Meshes().GetXFile("missing.x"));
  EXPECT_EQ(Boxes().size(), 2u);

  // Holders keep their record after the storage lets it go.
  Meshes().ClearAll();
  EXPECT_EQ(Meshes().Size(), 0u);
  EXPECT_EQ(first->mMaterialNum, 2u);
  EXPECT_NE(Meshes().GetXFile("one.x"), first);
}

TEST_F(XFileStorage, DamagedAndOversizedFilesFailWithTheirStepsBox) {
  Write("broken.x", "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }\n");
  EXPECT_FALSE(Meshes().GetXFile("broken.x"));
  // One more vertex than 16-bit indices reach.
  std::ostringstream big;
  big << "xof 0302txt 0032\nMesh {\n65536;\n";
  for (int i = 0; i < 65536; ++i) big << i << ";0;0;" << (i == 65535 ? ";\n" : ",\n");
  big << "1;\n3;0,1,2;;\n}\n";
  Write("big.x", big.str());
  EXPECT_FALSE(Meshes().GetXFile("big.x"));
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0], Utf8(BaseN::FixedText::kXFileLoadFailure));
  EXPECT_EQ(Boxes()[1], "読み込んだメッシュデータのリフォーマットに失敗しました。");
}

TEST_F(XFileStorage, DrawSetsEachMaterialAndTextureThenHandsTheVertexFormatBack) {
  const RenderN::SPTEXTUREDATA wood = Texture(8, 8);
  Write("crate.x", BoxFile({-1, -1, -1}, {1, 1, 1}));
  SPXFILEDATA crate = Meshes().GetXFile("crate.x");
  ASSERT_TRUE(crate);
  crate->mMaterialTexture[0] = wood;
  Device().ClearCalls();

  crate->Draw();
  ASSERT_EQ(Device().mDraws.size(), 2u);
  EXPECT_EQ(Device().mDraws[0].fvf, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  EXPECT_EQ(Device().mDraws[0].texture, wood->mTexture.get());
  EXPECT_EQ(Device().mDraws[0].primitiveCount, 2u);
  EXPECT_EQ(Device().mDraws[0].material.Diffuse.g, 0.5f);
  // The second material has no texture: nothing is bound while it draws.
  EXPECT_EQ(Device().mDraws[1].texture, nullptr);
  EXPECT_EQ(Device().mDraws[1].primitiveCount, 10u);
  EXPECT_EQ(Device().mDraws[1].material.Diffuse.g, 1.0f);
  EXPECT_EQ(Agent().mStandardVertexFormat, 0u);
  EXPECT_EQ(Agent().mCurrentTexture, nullptr);

  // One subset; indices the file did not declare draw nothing, whatever mMaterialNum says.
  crate->DrawSubset(0);
  EXPECT_EQ(Device().mDraws.size(), 3u);
  EXPECT_EQ(Device().mDraws[2].texture, wood->mTexture.get());
  crate->DrawSubset(2);
  crate->DrawSubset(-1);
  crate->mMaterialNum = 7;
  crate->Draw();
  EXPECT_EQ(Device().mDraws.size(), 5u);
  crate->mMaterialNum = 1;
  crate->Draw();
  EXPECT_EQ(Device().mDraws.size(), 6u);

  // A face drawn next sets its own vertex format again.
  RenderN::SPPLANK plank = Manager().CreatePlank();
  Device().ClearCalls();
  plank->Draw();
  EXPECT_EQ(Device().Calls("SetFVF(").size(), 1u);
}

TEST_F(XFileStorage, ModelsFromFilesDrawTheirMeshAfterTheirStates) {
  Write("crate.x", BoxFile({-1, -1, -1}, {1, 1, 1}));
  D3DXMATRIX place;
  D3DXMatrixTranslation(&place, 3, 0, 0);
  RenderN::SPMODEL model = Manager().CreateModel("crate.x", place);
  EXPECT_EQ(model->mXFile, Meshes().GetXFile("crate.x"));
  EXPECT_TRUE(drawtest::SameMatrix(model->mMatrix, place));
  Device().ClearCalls();
  Manager().Draw(D3DXVECTOR3(0, 0, -10), D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(Device().mDraws.size(), 2u);
  EXPECT_TRUE(drawtest::SameMatrix(Device().mTransforms[D3DTS_WORLD], place));

  // A file that cannot be loaded gives a model that draws nothing.
  RenderN::SPMODEL ghost = Manager().CreateModel("ghost.x");
  EXPECT_FALSE(ghost->mXFile);
  Device().ClearCalls();
  ghost->Draw();
  EXPECT_TRUE(Device().Calls().empty());
}

// ---- Hit tests.

TEST_F(XFileStorage, SpheresTouchingCountAndMeshSpheresGrowWithTheirWorldOnlyAgainstSpheres) {
  EXPECT_TRUE(RenderN::SphereJudgment(Vector3C(0, 0, 0), 1, Vector3C(2, 0, 0), 1));
  EXPECT_FALSE(RenderN::SphereJudgment(Vector3C(0, 0, 0), 1, Vector3C(2.0001f, 0, 0), 1));

  SPXFILEDATA box = Box();  // centre (0, 0, 0), radius sqrt(3)
  const float radius = box->mRadius;
  MatrixC identity, doubled;
  D3DXMatrixScaling(&doubled, 2, 2, 2);
  const Vector3C point(2 * radius + 0.5f, 0, 0);
  EXPECT_FALSE(RenderN::SphereJudgment(box, identity, point, 1));
  EXPECT_TRUE(RenderN::SphereJudgment(box, doubled, point, 1));

  MatrixC there;
  D3DXMatrixTranslation(&there, 2 * radius + 0.5f, 0, 0);
  EXPECT_FALSE(RenderN::SphereJudgment(box, identity, box, there));
  D3DXMATRIX doubledThere = doubled * there;
  EXPECT_FALSE(RenderN::SphereJudgment(box, doubled, box, MatrixC(doubledThere)));
  D3DXMatrixTranslation(&there, 2 * radius, 0, 0);
  EXPECT_TRUE(RenderN::SphereJudgment(box, identity, box, there));

  const SPXFILEDATA none;
  EXPECT_FALSE(RenderN::SphereJudgment(none, identity, Vector3C(0, 0, 0), 100));
  EXPECT_FALSE(RenderN::SphereJudgment(box, identity, none, identity));
}

TEST_F(XFileStorage, BoxesSharingAFaceDoNotOverlap) {
  EXPECT_FALSE(RenderN::AABBJudgment(Vector3C(0, 0, 0), Vector3C(1, 1, 1), Vector3C(1, 0, 0),
                                     Vector3C(2, 1, 1)));
  EXPECT_TRUE(RenderN::AABBJudgment(Vector3C(0, 0, 0), Vector3C(1, 1, 1), Vector3C(0.5f, 0.5f, 0.5f),
                                    Vector3C(2, 2, 2)));

  SPXFILEDATA box = Box({0, 0, 0}, {1, 1, 1});
  MatrixC identity, right;
  D3DXMatrixTranslation(&right, 1, 0, 0);
  EXPECT_FALSE(RenderN::AABBJudgment(box, identity, box, right));
  EXPECT_FALSE(RenderN::AABBJudgment(box, right, Vector3C(0, 0, 0), Vector3C(1, 1, 1)));
  EXPECT_TRUE(RenderN::AABBJudgment(box, right, Vector3C(1.5f, 0.5f, 0.5f), Vector3C(3, 3, 3)));
  D3DXMatrixTranslation(&right, 0.75f, 0.25f, -0.5f);
  EXPECT_TRUE(RenderN::AABBJudgment(box, identity, box, right));
  EXPECT_FALSE(RenderN::AABBJudgment(SPXFILEDATA(), identity, box, identity));
}

TEST_F(XFileStorage, RaysHitInModelSpaceAndAMissLeavesTheOutputsAlone) {
  SPXFILEDATA box = Box();
  MatrixC world;
  D3DXMatrixTranslation(&world, 10, 0, 0);
  Vector3C normal(7, 7, 7), hit(7, 7, 7);
  // Through (0.5, 0.5) of the -z side, from 4 in front of it.
  const float t = RenderN::RayJudgment(box, world, Vector3C(10.5f, 0.5f, -5), Vector3C(0, 0, 1),
                                       &normal, &hit);
  EXPECT_EQ(t, 4.0f);
  EXPECT_EQ(normal, D3DXVECTOR3(0, 0, -1));
  // u, v and the face index name the point that was hit.
  const platform::mesh::Mesh& mesh = box->mMesh;
  const auto face = static_cast<std::size_t>(hit.z);
  ASSERT_EQ(hit.z, static_cast<float>(face));
  ASSERT_LT(face, mesh.faceCount());
  const D3DXVECTOR3 v0(mesh.vertices[mesh.indices[3 * face]].position);
  const D3DXVECTOR3 v1(mesh.vertices[mesh.indices[3 * face + 1]].position);
  const D3DXVECTOR3 v2(mesh.vertices[mesh.indices[3 * face + 2]].position);
  const D3DXVECTOR3 at = v0 + hit.x * (v1 - v0) + hit.y * (v2 - v0);
  EXPECT_NEAR(at.x, 0.5f, 1e-6f);
  EXPECT_NEAR(at.y, 0.5f, 1e-6f);
  EXPECT_EQ(at.z, -1.0f);

  // A world scaled by 2: the parameter is still the world ray's; the normal is turned
  // by the world and not made unit again.
  MatrixC scaled;
  D3DXMatrixScaling(&scaled, 2, 2, 2);
  EXPECT_EQ(RenderN::RayJudgment(box, scaled, Vector3C(0.5f, 0.5f, -10), Vector3C(0, 0, 2),
                                 &normal),
            4.0f);
  EXPECT_EQ(normal, D3DXVECTOR3(0, 0, -2));

  // Misses: beside the box, pointing away, an empty handle.
  normal = hit = Vector3C(7, 7, 7);
  EXPECT_EQ(RenderN::RayJudgment(box, world, Vector3C(0, 0, -5), Vector3C(0, 0, 1), &normal, &hit),
            -1.0f);
  EXPECT_EQ(RenderN::RayJudgment(box, world, Vector3C(10, 0, -5), Vector3C(0, 0, -1), &normal,
                                 &hit),
            -1.0f);
  EXPECT_EQ(RenderN::RayJudgment(SPXFILEDATA(), world, Vector3C(10, 0, -5), Vector3C(0, 0, 1),
                                 &normal, &hit),
            -1.0f);
  EXPECT_EQ(normal, D3DXVECTOR3(7, 7, 7));
  EXPECT_EQ(hit, D3DXVECTOR3(7, 7, 7));
}

}  // namespace
