// The engine's fixed texts are CP932 escapes nobody can read at a glance; this pins every one
// to the Japanese it must show, both ways, so a wrong escape cannot slip in unnoticed.
#include <gtest/gtest.h>

#include <string>

#include "base/FixedTexts.h"
#include "platform/text/Text.h"

namespace {

struct FixedTextCase {
    const char* name;
    std::string cp932;
    std::string utf8;
};

#define FIXED_TEXT(constant, text) \
    FixedTextCase { #constant, std::string(BaseN::FixedText::constant, sizeof(BaseN::FixedText::constant) - 1), text }

}  // namespace

TEST(FixedTexts, EveryTextIsTheJapaneseItShows) {
    const FixedTextCase cases[] = {
        FIXED_TEXT(kErrorTitle, "ERROR"),
        FIXED_TEXT(kMemoryFailure, "メモリ確保に失敗しました。"),
        FIXED_TEXT(kSoundMemoryFailure, "サウンドデータのメモリ確保に失敗しました。"),
        FIXED_TEXT(kFullScreenQuestion, "フルスクリーンで遊びますか？"),
        FIXED_TEXT(kWindowModeTitle, "ウィンドウモード選択"),
        FIXED_TEXT(kDirectXInitFailure, "DirectXの初期化に失敗しました。"),
        FIXED_TEXT(kLuaStateFailure, "ルアステート作成に失敗しました。"),
        FIXED_TEXT(kCallFunctionFailed, "*** Lua関数のコールに失敗しました ***"),
        FIXED_TEXT(kScriptExitFailed, "*** ScriptExit() 関数のコールに失敗しました ***"),
        FIXED_TEXT(kErrorHeader, "*** エラー ***"),
        FIXED_TEXT(kPlaceGetString, " 場所：LuaN::LuaArgumentC::GetString()"),
        FIXED_TEXT(kPlaceGetBool, " 場所：LuaN::LuaArgumentC::GetBool()"),
        FIXED_TEXT(kPlaceGetNumber, " 場所：LuaN::LuaArgumentC::GetNumber()"),
        FIXED_TEXT(kReasonNotString,
                   " 要因：文字列型でないインデックスを文字列型として参照しました。"),
        FIXED_TEXT(kReasonNotBool,
                   " 要因：ブール型でないインデックスをブール型として参照しました。"),
        FIXED_TEXT(kReasonNotNumber,
                   " 要因：数値型でないインデックスを数値型として参照しました。"),
        FIXED_TEXT(kReasonOutOfRange, " 要因：引数に範囲外インデックス値が指定されました。"),
        FIXED_TEXT(kActionDefault, " 行動：デフォルト処理で代用します。"),
        FIXED_TEXT(kPlaceFunctionOpen, " 場所：関数<"),
        FIXED_TEXT(kPlaceFunctionUndefinedClose, ">を呼びだそうとしました。"),
        FIXED_TEXT(kPlaceFunctionCallClose, ">を呼び出し。"),
        FIXED_TEXT(kPlaceFileOpen, " 場所：ファイル<"),
        FIXED_TEXT(kPlaceFileLoadClose, ">を読み込み。"),
        FIXED_TEXT(kPlaceFileRunClose, ">を実行。"),
        FIXED_TEXT(kReasonPrefix, " 要因："),
        FIXED_TEXT(kDetailPrefix, " 詳細："),
        FIXED_TEXT(kUndefinedFunction, "Lua内にこの名前の関数は定義されていません。"),
        FIXED_TEXT(kStandardInput, "標準入力"),
        FIXED_TEXT(kKindRuntime, "実行時エラー！"),
        FIXED_TEXT(kKindSyntax, "構文エラー！"),
        FIXED_TEXT(kKindMemory, "メモリエラー！"),
        FIXED_TEXT(kKindFile, "ファイルエラー！"),
        FIXED_TEXT(kSettingsScriptInvalid, "設定ファイルの読み込みスクリプトが不正です！"),
        FIXED_TEXT(kFixSettingsFile, "初期設定ファイルを修正して下さい。"),
        FIXED_TEXT(kFixScript, "スクリプトを修正して下さい。"),
        FIXED_TEXT(kScriptErrorTitle, "スクリプトエラー！"),
        FIXED_TEXT(kErrorValueNotText, "エラー値が文字列ではありません："),
        FIXED_TEXT(kDeviceLostDetected, "*** D3Dデバイスのロストを検知しました ***"),
        FIXED_TEXT(kDeviceLostRecovered, "*** D3Dデバイスのロストから復帰しました ***"),
        FIXED_TEXT(kDeviceResetFailure, "D3Dデバイスの復帰に失敗しました。"),
        FIXED_TEXT(kTextureInfoFailure, "テクスチャ画像情報の取得に失敗しました。"),
        FIXED_TEXT(kTextureLoadFailure, "テクスチャデータの読み込みに失敗しました。"),
        FIXED_TEXT(kTextBitmapMemoryFailure, "テキストビットマップのメモリ確保に失敗しました。"),
        FIXED_TEXT(kTextBitmapFailure, "テキストビットマップ作成に失敗しました。"),
        FIXED_TEXT(kTextureCreateFailure, "テクスチャの作成に失敗しました。"),
        FIXED_TEXT(kRectLockFailure, "矩形ロックに失敗しました。"),
        FIXED_TEXT(kTextureMemoryFailure, "テクスチャデータのメモリ確保に失敗しました。"),
        FIXED_TEXT(kFontMemoryFailure, "フォントデータのメモリ確保に失敗しました。"),
        FIXED_TEXT(kXFileLoadFailure, "Xファイルの読み込みに失敗しました。"),
        FIXED_TEXT(kXFileReformatFailure, "読み込んだメッシュデータのリフォーマットに失敗しました。"),
        FIXED_TEXT(kXFileOptimizeFailure, "読み込んだメッシュデータの最適化に失敗しました。"),
        FIXED_TEXT(kXFileCleanFailure, "読み込んだメッシュデータの頂点分割に失敗しました。"),
        FIXED_TEXT(kXFileMemoryFailure, "Xファイルデータのメモリ確保に失敗しました。"),
        FIXED_TEXT(kModelEffectFailure, "モデル描画エフェクトデータのコンパイルに失敗しました。"),
        FIXED_TEXT(kShadowModelEffectFailure, "影モデル描画エフェクトデータのコンパイルに失敗しました。"),
        FIXED_TEXT(kShadowMapEffectFailure, "影データ描画エフェクトデータのコンパイルに失敗しました。"),
        FIXED_TEXT(kShadowTextureFailure, "影のデータ用テクスチャの作成に失敗しました。"),
        FIXED_TEXT(kShadowDepthFailure, "影のデータ用深度バッファの作成に失敗しました。"),
        FIXED_TEXT(kDefaultFaceName, "MS ゴシック"),
    };
    for (const FixedTextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::text::Cp932ToUtf8(c.cp932), c.utf8);
        EXPECT_EQ(platform::text::Utf8ToCp932(c.utf8), c.cp932);
    }
}
