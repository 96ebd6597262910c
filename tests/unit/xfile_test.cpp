// The .x reader as a mesh loader sees it: real exporters' files in every encoding they come
// in, small hand-written files for the geometry rules (fans, frames, references, loose
// separators, default material), and damaged files that must be refused with a reason.
#include "platform/xfile/XFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace platform::xfile;

std::string DataPath(const std::string& name) {
  return std::string(HINOKI_SOURCE_DIR) + "/tests/data/x/" + name;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

MeshData MustLoad(const std::string& text) {
  MeshData mesh;
  std::string error;
  const std::vector<std::uint8_t> bytes = Bytes(text);
  EXPECT_TRUE(LoadMesh(bytes.data(), bytes.size(), mesh, error)) << error;
  return mesh;
}

std::string MustFail(const std::vector<std::uint8_t>& bytes) {
  MeshData mesh;
  std::string error;
  EXPECT_FALSE(LoadMesh(bytes.data(), bytes.size(), mesh, error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(mesh.positions.empty());
  return error;
}

void ExpectPoint(const Vector3& p, float x, float y, float z) {
  EXPECT_NEAR(p.x, x, 1e-5f);
  EXPECT_NEAR(p.y, y, 1e-5f);
  EXPECT_NEAR(p.z, z, 1e-5f);
}

// Writes binary .x token streams for the cases the real files do not cover.
class BinaryWriter {
 public:
  explicit BinaryWriter(bool doubles) : mDoubles(doubles) {
    const std::string header = doubles ? "xof 0303bin 0064" : "xof 0303bin 0032";
    mBytes.assign(header.begin(), header.end());
  }
  BinaryWriter& Name(const std::string& name) { return Token(1).Word(name.size()).Text(name); }
  BinaryWriter& String(const std::string& text) {
    return Token(2).Word(text.size()).Text(text).Token(20);
  }
  BinaryWriter& Open() { return Token(10); }
  BinaryWriter& Close() { return Token(11); }
  BinaryWriter& Integers(const std::vector<std::uint32_t>& values) {
    Token(6).Word(values.size());
    for (std::uint32_t v : values) Word(v);
    return *this;
  }
  BinaryWriter& Floats(const std::vector<double>& values) {
    Token(7).Word(values.size());
    for (double v : values) {
      if (mDoubles) {
        Raw(&v, 8);
      } else {
        const float f = static_cast<float>(v);
        Raw(&f, 4);
      }
    }
    return *this;
  }
  BinaryWriter& Token(std::uint16_t id) { return Raw(&id, 2); }
  BinaryWriter& Word(std::size_t value) {
    const std::uint32_t word = static_cast<std::uint32_t>(value);
    return Raw(&word, 4);
  }
  const std::vector<std::uint8_t>& Bytes() const { return mBytes; }

 private:
  BinaryWriter& Text(const std::string& text) { return Raw(text.data(), text.size()); }
  BinaryWriter& Raw(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    mBytes.insert(mBytes.end(), p, p + size);
    return *this;
  }
  bool mDoubles;
  std::vector<std::uint8_t> mBytes;
};

struct FileCounts {
  const char* name;
  std::size_t vertices;
  std::size_t triangles;
  std::size_t materials;
};

// Counted from each file's declared arrays: the Mesh vertex counts, the faces' corner
// counts (a face of n corners gives n - 2 triangles), the MeshMaterialList material counts
// (a mesh without a list adds the one default material). No position in these files has
// two different normals, so no vertex is split and the vertex count is the declared one.
const FileCounts kRealFiles[] = {
    {"test_cube_text.x", 24, 12, 1},                // 24 vertices, 12 triangles, 1 material
    {"test_cube_binary.x", 24, 12, 1},              // same cube, binary
    {"test_cube_compressed.x", 24, 12, 1},          // same cube, MSZIP binary
    {"cube_tzip_chained.x", 24, 12, 1},             // the text cube, MSZIP text, chained blocks
    {"test.x", 24, 12, 1},                          // Maya cube: 12 triangles, one material
    {"kwxport_test_cubewithvcolors.x", 24, 12, 3},  // list declares 3 materials
    {"fromtruespace_bin32.x", 4132, 6656, 1},       // binary, 32-bit floats
    {"anim_test.x", 1720, 840, 1},                  // one cylinder mesh, skin weights read past
    // Three meshes (lower body, upper body, head) without material lists: 3 defaults.
    {"BCN_Epileptic.X", 3014, 5126, 3},
    {"Testwuson.X", 3205, 3732, 1},  // one mesh, no material list: one default
    // The header's 16 bytes are followed directly by text; the rest is the cube.
    {"malformed/cube_text_no_newline_after_header.x", 24, 12, 1},
};

TEST(XFileRealFiles, LoadWithTheirDeclaredCountsInEveryEncoding) {
  for (const FileCounts& file : kRealFiles) {
    SCOPED_TRACE(file.name);
    MeshData mesh;
    std::string error;
    ASSERT_TRUE(LoadMeshFile(DataPath(file.name), mesh, error)) << error;
    EXPECT_EQ(mesh.positions.size(), file.vertices);
    EXPECT_EQ(mesh.indices.size(), file.triangles * 3);
    EXPECT_EQ(mesh.attributes.size(), file.triangles);
    EXPECT_EQ(mesh.materials.size(), file.materials);
    EXPECT_EQ(mesh.normals.size(), mesh.positions.size());
    EXPECT_EQ(mesh.texcoords.size(), mesh.positions.size());
    for (std::uint32_t index : mesh.indices) ASSERT_LT(index, mesh.positions.size());
    for (std::uint32_t material : mesh.attributes) ASSERT_LT(material, mesh.materials.size());
  }
}

TEST(XFileRealFiles, TextBinaryAndCompressedCubesAreTheSameMesh) {
  MeshData text;
  std::string error;
  ASSERT_TRUE(LoadMeshFile(DataPath("test_cube_text.x"), text, error)) << error;
  EXPECT_TRUE(text.hasNormals);
  EXPECT_TRUE(text.hasTexcoords);
  for (const char* name : {"test_cube_binary.x", "test_cube_compressed.x", "cube_tzip_chained.x"}) {
    SCOPED_TRACE(name);
    MeshData other;
    ASSERT_TRUE(LoadMeshFile(DataPath(name), other, error)) << error;
    ASSERT_EQ(other.positions.size(), text.positions.size());
    for (std::size_t i = 0; i < text.positions.size(); ++i) {
      ExpectPoint(other.positions[i], text.positions[i].x, text.positions[i].y,
                  text.positions[i].z);
      ExpectPoint(other.normals[i], text.normals[i].x, text.normals[i].y, text.normals[i].z);
      EXPECT_NEAR(other.texcoords[i].u, text.texcoords[i].u, 1e-5f);
      EXPECT_NEAR(other.texcoords[i].v, text.texcoords[i].v, 1e-5f);
    }
    EXPECT_EQ(other.indices, text.indices);
    EXPECT_EQ(other.attributes, text.attributes);
    ASSERT_EQ(other.materials.size(), 1u);
    EXPECT_NEAR(other.materials[0].diffuse[0], 0.639216f, 1e-5f);
    EXPECT_NEAR(other.materials[0].power, 96.078430f, 1e-4f);
    EXPECT_NEAR(other.materials[0].specular[1], 0.498039f, 1e-5f);
  }
}

TEST(XFileRealFiles, MaterialsKeepFileOrderAndTextureNames) {
  MeshData mesh;
  std::string error;
  ASSERT_TRUE(LoadMeshFile(DataPath("test.x"), mesh, error)) << error;
  ASSERT_EQ(mesh.materials.size(), 1u);
  EXPECT_EQ(mesh.materials[0].textureFilename, ".\\\\test.png");  // as written in the file
  ASSERT_TRUE(LoadMeshFile(DataPath("Testwuson.X"), mesh, error)) << error;
  ASSERT_EQ(mesh.materials.size(), 1u);  // the default: white, no texture
  EXPECT_EQ(mesh.materials[0].diffuse[0], 1.0f);
  EXPECT_EQ(mesh.materials[0].diffuse[3], 1.0f);
  EXPECT_EQ(mesh.materials[0].textureFilename, "");
}

TEST(XFileDamagedFiles, AreRefusedWithAReason) {
  const std::string skin = MustFail(ReadBytes(DataPath("malformed_skinweights_oob.x")));
  EXPECT_NE(skin.find("SkinWeights"), std::string::npos) << skin;
  const std::string missing =
      MustFail(ReadBytes(DataPath("malformed/cube_undefined_material_ref.x")));
  EXPECT_NE(missing.find("NoSuchMaterial"), std::string::npos) << missing;
  MustFail(ReadBytes(DataPath("malformed/cube_face_uses_unresolved_material.x")));
  MustFail(Bytes("not an x file at all"));
  MustFail(Bytes("xof 0303zzz 0032"));
  MustFail(Bytes("xof 0303txt 0016 Mesh {}"));
  MustFail(Bytes("xof 0303txt 0032\nFrame F { }"));  // no mesh anywhere
  // A material index beyond the declared materials.
  const std::string index =
      MustFail(Bytes("xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                     "MeshMaterialList { 1; 1; 4;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"));
  EXPECT_NE(index.find("material 4"), std::string::npos) << index;
  // A face corner beyond the vertices.
  const std::string corner =
      MustFail(Bytes("xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }"));
  EXPECT_NE(corner.find("index 7"), std::string::npos) << corner;
}

TEST(XFileDamagedFiles, CountsAreCheckedAgainstTheBytesThere) {
  // Counts far beyond the file: refused before anything of that size is made.
  const std::string text = MustFail(Bytes("xof 0303txt 0032 Mesh { 4000000000; 0;0;0;; 0; }"));
  EXPECT_NE(text.find("declares 4000000000 vertices"), std::string::npos) << text;
  BinaryWriter list(false);
  list.Name("Mesh").Open().Token(6).Word(0xffffffffu);
  MustFail(list.Bytes());
  BinaryWriter name(false);
  name.Token(1).Word(0x7fffffffu);
  MustFail(name.Bytes());
  BinaryWriter faces(false);
  faces.Name("Mesh")
      .Open()
      .Integers({3})
      .Floats({0, 0, 0, 1, 0, 0, 0, 1, 0})
      .Integers({0xfffffff0u})
      .Close();
  MustFail(faces.Bytes());
  // A compressed file claiming 4 GB with one tiny block, and one whose block lies.
  std::vector<std::uint8_t> zip = Bytes("xof 0303tzip0032");
  for (int b : {0xff, 0xff, 0xff, 0xff, 0x05, 0x00, 0x07, 0x00, int{'C'}, int{'K'}, 0x03, 0x00,
                0x00, 0x00, 0x00})
    zip.push_back(static_cast<std::uint8_t>(b));
  MustFail(zip);
  zip[20] = 0xff;
  MustFail(zip);
  // Nesting deeper than any hierarchy.
  std::string deep = "xof 0303txt 0032 ";
  for (int i = 0; i < 100000; ++i) deep += "Frame {";
  MustFail(Bytes(deep));
}

TEST(XFileDamagedFiles, EveryTruncationOfTheCubesFailsOrLoadsWhole) {
  for (const char* name : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> bytes = ReadBytes(DataPath(name));
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      MeshData mesh;
      std::string error;
      if (LoadMesh(bytes.data(), size, mesh, error)) {
        EXPECT_EQ(mesh.indices.size(), 36u) << size;  // only trailing bytes were cut
      } else {
        EXPECT_FALSE(error.empty()) << size;
      }
    }
  }
}

TEST(XFileGeometry, PolygonsSplitIntoFansAndFramesMoveTheirMeshes) {
  // A quad becomes (0,1,2) and (0,2,3); a pentagon (0,2,3), (0,3,4) after it.
  MeshData quad = MustLoad(
      "xof 0303txt 0032\nMesh Quad { 5; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, -1;0;0;;\n"
      " 2; 4;0,1,2,3;, 5;0,1,2,3,4;; }");
  EXPECT_EQ(quad.indices,
            (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 0, 1, 2, 0, 2, 3, 0, 3, 4}));
  EXPECT_EQ(quad.attributes, (std::vector<std::uint32_t>(5, 0)));

  // Own frame first, then its parent: (1,0,0) moved by (1,2,3), then scaled by 2.
  MeshData nested = MustLoad(
      "xof 0303txt 0032\nFrame Outer {\n FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, "
      "0,0,0,1;; }\n"
      " Frame Inner {\n  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,2,3,1;; }\n"
      "  Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;; }\n }\n"
      " Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;; }\n}\n");
  ASSERT_EQ(nested.positions.size(), 6u);
  ExpectPoint(nested.positions[0], 4, 4, 6);
  ExpectPoint(nested.positions[1], 2, 6, 6);
  ExpectPoint(nested.positions[3], 2, 0, 0);  // the outer frame's own mesh: scaled only
  EXPECT_EQ(nested.indices, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
  ASSERT_EQ(nested.materials.size(), 2u);  // one default per mesh without a list
  EXPECT_EQ(nested.attributes, (std::vector<std::uint32_t>{0, 1}));

  // A rotation of 90 degrees about z turns normals with the mesh.
  MeshData turned = MustLoad(
      "xof 0303txt 0032 Frame { FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,0,1;; }\n"
      " Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;;\n"
      "  MeshNormals { 1; 1;0;0;; 1; 3;0,0,0;; } } }");
  ExpectPoint(turned.positions[0], 0, 1, 0);
  ExpectPoint(turned.normals[0], 0, 1, 0);
}

TEST(XFileGeometry, NormalsAndCoordinatesFollowTheCorners) {
  // Vertex 0 is a corner of faces with two different normals: it gets one copy, which
  // the third face, with the second normal again, shares.
  MeshData mesh = MustLoad(
      "xof 0303txt 0032 Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;, 0;0;1;;\n"
      " 3; 3;0,1,2;, 3;0,3,1;, 3;0,2,3;;\n"
      " MeshNormals { 2; 0;0;1;, 0;1;0;; 3; 3;0,0,0;, 3;1,1,1;, 3;1,1,1;; }\n"
      " MeshTextureCoords { 4; 0;0;, 1;0;, 0;1;, 0.5;0.5;; } }");
  ASSERT_EQ(mesh.positions.size(), 7u);  // vertices 0, 1 and 2 each split once
  EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2, 4, 3, 5, 4, 6, 3}));
  ExpectPoint(mesh.normals[0], 0, 0, 1);
  ExpectPoint(mesh.normals[4], 0, 1, 0);
  ExpectPoint(mesh.positions[4], 0, 0, 0);
  ExpectPoint(mesh.positions[5], 1, 0, 0);
  EXPECT_EQ(mesh.texcoords[5].u, 1.0f);  // a copy keeps its position's coordinates
  EXPECT_EQ(mesh.texcoords[3].u, 0.5f);
  EXPECT_TRUE(mesh.hasNormals);
  EXPECT_TRUE(mesh.hasTexcoords);

  // Normal faces that do not match the mesh's faces are refused.
  MustFail(
      Bytes("xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
            " MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }"));
}

TEST(XFileSyntax, ReferencesLooseSeparatorsCommentsAndDefaults) {
  // Materials by reference and inline, in list order; the mesh named in the frame and
  // written at the top level is one mesh; doubled and missing separators, comments.
  MeshData mesh = MustLoad(
      "xof 0302txt 0032\n"
      "template Unused { <11111111-2222-3333-4444-555555555555> DWORD x; [...] }\n"
      "Material Red { 1;0;0;1;; 5; 0.5;0.5;0.5;; 0;0;0;; TextureFilename { \"red.png\"; } }\n"
      "// a comment line\n"
      "# another\n"
      "Frame Root { { Box } }\n"
      "Mesh Box { 4;;; 0;0;0;;, 1;0;0;,, 1;1;0; 0;1;0;;\n"
      "  2; 3;0,1,2;, 3 0 2 3;;   // a face without separators\n"
      "  MeshMaterialList { 2; 2; 1,0;; { Red }\n"
      "   Material Blue { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"\"; } } }\n"
      "  SomethingUnknown { 1; 2; \"three\"; }\n"
      "}\n");
  ASSERT_EQ(mesh.positions.size(), 4u);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
  ASSERT_EQ(mesh.materials.size(), 2u);
  EXPECT_EQ(mesh.materials[0].textureFilename, "red.png");
  EXPECT_EQ(mesh.materials[0].diffuse[0], 1.0f);
  EXPECT_EQ(mesh.materials[0].power, 5.0f);
  EXPECT_EQ(mesh.materials[1].textureFilename, "");  // empty name: no texture
  EXPECT_EQ(mesh.materials[1].diffuse[2], 1.0f);
  EXPECT_EQ(mesh.attributes, (std::vector<std::uint32_t>{1, 0}));

  // Fewer material indices than faces: the last one goes on. An empty list of them: 0.
  MeshData fewer = MustLoad(
      "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 3; 3;0,1,2;, 3;0,1,2;, 3;0,1,2;;\n"
      " MeshMaterialList { 2; 2; 0,1;; Material {1;1;1;1;;0;0;0;0;;0;0;0;;} Material "
      "{1;1;1;1;;0;0;0;0;;0;0;0;;} } }");
  EXPECT_EQ(fewer.attributes, (std::vector<std::uint32_t>{0, 1, 1}));
  MeshData none = MustLoad(
      "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
      " MeshMaterialList { 1; 0; ; Material {1;1;1;1;;0;0;0;0;;0;0;0;;} } }");
  EXPECT_EQ(none.attributes, (std::vector<std::uint32_t>{0}));

  // No material list: one white default material, no texture.
  MeshData plain = MustLoad("xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }");
  ASSERT_EQ(plain.materials.size(), 1u);
  const Material& white = plain.materials[0];
  EXPECT_EQ(std::vector<float>(white.diffuse, white.diffuse + 4), (std::vector<float>{1, 1, 1, 1}));
  EXPECT_EQ(white.power, 0.0f);
  EXPECT_EQ(white.textureFilename, "");
  EXPECT_FALSE(plain.hasNormals);

  // An empty mesh still loads (nothing to draw).
  MeshData empty = MustLoad("xof 0303txt 0032 Mesh { 0;; 0;; }");
  EXPECT_TRUE(empty.positions.empty());
  EXPECT_TRUE(empty.indices.empty());
}

TEST(XFileSyntax, TheTreeKeepsObjectsNamesGuidsAndResolvedReferences) {
  const std::vector<std::uint8_t> bytes = Bytes(
      "xof 0303txt 0032\n"
      "Material Shiny { <01234567-89ab-cdef-0123-456789abcdef> 1;1;1;1;; 3; 0;0;0;; 0;0;0;; }\n"
      "Custom Thing { 7; 2.5; \"text\"; { Shiny } { Nowhere } Child { } }\n");
  Document document;
  std::string error;
  ASSERT_TRUE(ReadDocument(bytes.data(), bytes.size(), document, error)) << error;
  ASSERT_EQ(document.topLevel.size(), 2u);
  const DataObject& shiny = *document.topLevel[0];
  EXPECT_EQ(shiny.type, "Material");
  EXPECT_EQ(shiny.name, "Shiny");
  EXPECT_EQ(shiny.guid, "01234567-89ab-cdef-0123-456789abcdef");
  EXPECT_EQ(shiny.values.size(), 11u);
  const DataObject& thing = *document.topLevel[1];
  ASSERT_EQ(thing.values.size(), 3u);
  EXPECT_EQ(thing.values[0].kind(), Value::Kind::Integer);
  EXPECT_EQ(thing.values[0].integer(), 7u);
  EXPECT_EQ(thing.values[1].number(), 2.5);
  EXPECT_EQ(thing.strings[thing.values[2].stringIndex()], "text");
  ASSERT_EQ(thing.children.size(), 3u);
  EXPECT_EQ(thing.children[0].object, &shiny);
  EXPECT_TRUE(thing.children[1].isReference);
  EXPECT_EQ(thing.children[1].object, nullptr);  // kept; only a mesh loader minds
  EXPECT_EQ(thing.children[2].object->type, "Child");
}

TEST(XFileSyntax, BinaryFilesWith64BitFloatsTemplatesAndReferences) {
  for (bool doubles : {false, true}) {
    SCOPED_TRACE(doubles ? "0064" : "0032");
    BinaryWriter file(doubles);
    // A template: its keywords and GUID are skipped.
    file.Token(31).Name("Unused").Open().Token(5);
    for (int i = 0; i < 4; ++i) file.Word(0x11111111u);
    file.Token(41).Name("x").Token(20).Token(14).Token(18).Token(18).Token(18).Token(15).Close();
    file.Name("Material").Name("Green").Open().Floats({0, 1, 0, 1, 8, 0, 0, 0, 0, 0, 0});
    file.Name("TextureFilename").Open().String("green.bmp").Close().Close();
    file.Name("Frame").Open();
    file.Name("FrameTransformMatrix")
        .Open()
        .Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.25, 0, 0, 1})
        .Close();
    file.Name("Mesh").Name("M").Open().Integers({4}).Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
    file.Token(3).Word(1).Integers({4, 0, 1, 2, 3}).Token(20);
    file.Name("MeshMaterialList").Open().Integers({1, 1, 0}).Open().Name("Green").Close().Close();
    file.Close().Close();
    MeshData mesh;
    std::string error;
    ASSERT_TRUE(LoadMesh(file.Bytes().data(), file.Bytes().size(), mesh, error)) << error;
    ASSERT_EQ(mesh.positions.size(), 4u);
    ExpectPoint(mesh.positions[1], 1.25f, 0, 0);
    EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
    ASSERT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].textureFilename, "green.bmp");
    EXPECT_EQ(mesh.materials[0].power, 8.0f);
  }
}

}  // namespace
