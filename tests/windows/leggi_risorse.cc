// Reads a program's resources back the way Explorer does (the version
// information through the version API, the icon group and the manifest
// from the file loaded as data) and prints them:
//   leggi_risorse PROGRAM.exe
#include <windows.h>

#include <string>
#include <vector>

#include "tests/windows/uscita.h"

namespace {

std::wstring largo(const char* stretto) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, stretto, -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, stretto, -1, w.data(), n);
  w.resize(static_cast<size_t>(n) - 1);
  return w;
}

std::string quattro(DWORD alto, DWORD basso) {
  return std::to_string(HIWORD(alto)) + "." + std::to_string(LOWORD(alto)) + "." + std::to_string(HIWORD(basso)) + "." +
         std::to_string(LOWORD(basso));
}

void stampa_versione(const std::wstring& programma) {
  DWORD maniglia = 0;
  const DWORD dimensione = GetFileVersionInfoSizeW(programma.c_str(), &maniglia);
  if (dimensione == 0) {
    riga("version information: none");
    return;
  }
  std::vector<char> blocco(dimensione);
  GetFileVersionInfoW(programma.c_str(), 0, dimensione, blocco.data());
  VS_FIXEDFILEINFO* fisso = nullptr;
  UINT lunghezza = 0;
  if (VerQueryValueW(blocco.data(), L"\\", reinterpret_cast<void**>(&fisso), &lunghezza) && fisso != nullptr) {
    riga("fixed file version: " + quattro(fisso->dwFileVersionMS, fisso->dwFileVersionLS));
    riga("fixed product version: " + quattro(fisso->dwProductVersionMS, fisso->dwProductVersionLS));
    riga("file type application: " + std::string(fisso->dwFileType == VFT_APP ? "yes" : "no"));
  }
  struct traduzione {
    WORD lingua, pagina;
  }* traduzioni = nullptr;
  if (!VerQueryValueW(blocco.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&traduzioni),
                      &lunghezza) ||
      lunghezza < sizeof(traduzione)) {
    riga("translation: none");
    return;
  }
  wchar_t radice[64];
  wsprintfW(radice, L"\\StringFileInfo\\%04x%04x\\", traduzioni[0].lingua, traduzioni[0].pagina);
  riga("translation: language " + std::to_string(traduzioni[0].lingua) + " code page " +
       std::to_string(traduzioni[0].pagina));
  for (const wchar_t* nome : {L"ProductName", L"ProductVersion", L"FileVersion", L"FileDescription", L"LegalCopyright",
                              L"CompanyName", L"OriginalFilename", L"InternalName"}) {
    wchar_t* valore = nullptr;
    const std::wstring chiave = std::wstring(radice) + nome;
    const bool c = VerQueryValueW(blocco.data(), chiave.c_str(), reinterpret_cast<void**>(&valore), &lunghezza) &&
                   valore != nullptr;
    riga(utf8(nome) + ": " + (c ? "\"" + utf8(valore) + "\"" : "none"));
  }
}

#pragma pack(push, 2)
struct voce_gruppo {
  BYTE larghezza, altezza, colori, riservato;
  WORD piani, bit;
  DWORD byte;
  WORD id;
};
struct gruppo_icone {
  WORD riservato, tipo, conta;
  voce_gruppo voci[1];
};
#pragma pack(pop)

void stampa_icone(HMODULE modulo) {
  HRSRC r = FindResourceW(modulo, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  if (r == nullptr) {
    riga("icon: none");
    return;
  }
  const auto* gruppo = static_cast<const gruppo_icone*>(LockResource(LoadResource(modulo, r)));
  std::string lati;
  for (WORD i = 0; i < gruppo->conta; ++i) {
    const voce_gruppo& v = gruppo->voci[i];
    // A side of 256 is written as 0.
    lati += " " + std::to_string(v.larghezza == 0 ? 256 : v.larghezza) + "x" +
            std::to_string(v.altezza == 0 ? 256 : v.altezza) + "/" + std::to_string(v.bit);
  }
  riga("icon sizes:" + lati);
  for (int lato : {16, 32, 48, 256}) {
    HICON icona = static_cast<HICON>(LoadImageW(modulo, MAKEINTRESOURCEW(1), IMAGE_ICON, lato, lato, 0));
    ICONINFO info = {};
    BITMAP bitmap = {};
    if (icona != nullptr && GetIconInfo(icona, &info)) {
      GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
      if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
      if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    }
    riga("icon at " + std::to_string(lato) + ": " +
         (icona != nullptr ? std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight) : "none"));
    if (icona != nullptr) DestroyIcon(icona);
  }
}

void stampa_manifesto(HMODULE modulo) {
  HRSRC r = FindResourceW(modulo, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  if (r == nullptr) {
    riga("manifest: none");
    return;
  }
  const char* testo = static_cast<const char*>(LockResource(LoadResource(modulo, r)));
  riga("manifest:");
  riga(std::string(testo, SizeofResource(modulo, r)));
}

}  // namespace

int main(int argc, char** argv) {
  uscita_binaria();
  if (argc != 2) return 99;
  const std::wstring programma = largo(argv[1]);
  stampa_versione(programma);
  HMODULE modulo =
      LoadLibraryExW(programma.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (modulo == nullptr) {
    riga("cannot load " + std::string(argv[1]));
    return 1;
  }
  stampa_icone(modulo);
  stampa_manifesto(modulo);
  FreeLibrary(modulo);
  return 0;
}
