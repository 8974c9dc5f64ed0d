#include "lsp/protocollo.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string_view>

namespace valdoro {
namespace lsp {

namespace {

constexpr std::string_view kLunghezza = "Content-Length:";

bool uguale_senza_maiuscole(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string_view senza_spazi(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return v;
}

// Decimal digits only; a number past 64 bits is no length either.
std::optional<uint64_t> numero(std::string_view v) {
  if (v.empty() || v.size() > 19) return std::nullopt;
  uint64_t n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  return n;
}

// A header's name is a token: letters, digits and '-'.
bool nome_intestazione(std::string_view v) {
  return !v.empty() && std::all_of(v.begin(), v.end(),
                                   [](char c) { return c == '-' || std::isalnum(static_cast<unsigned char>(c)); });
}

}  // namespace

lettore_messaggi::riga_letta lettore_messaggi::leggi_riga(std::string& riga) {
  riga = std::move(riporto_);
  riporto_.clear();
  bool lunga = false;
  for (;;) {
    const int c = in_.get();
    if (c == std::char_traits<char>::eof()) return riga_letta::fine;
    if (c == '\n') break;
    if (riga.size() >= kMassimaRigaIntestazione) {
      lunga = true;
      continue;
    }
    riga += static_cast<char>(c);
  }
  if (lunga) return riga_letta::troppo_lunga;
  if (!riga.empty() && riga.back() == '\r') riga.pop_back();
  return riga.empty() ? riga_letta::vuota : riga_letta::piena;
}

bool lettore_messaggi::cerca_intestazione() {
  size_t visti = 0;
  while (visti < kLunghezza.size()) {
    const int c = in_.get();
    if (c == std::char_traits<char>::eof()) return false;
    if (static_cast<char>(c) == kLunghezza[visti]) {
      ++visti;
    } else {
      visti = static_cast<char>(c) == kLunghezza[0] ? 1 : 0;
    }
  }
  riporto_ = std::string(kLunghezza);
  return true;
}

bool lettore_messaggi::salta(uint64_t n) {
  char buf[64 * 1024];
  while (n > 0) {
    const size_t passo = n < sizeof buf ? static_cast<size_t>(n) : sizeof buf;
    in_.read(buf, static_cast<std::streamsize>(passo));
    if (static_cast<size_t>(in_.gcount()) != passo) return false;
    n -= passo;
  }
  return true;
}

messaggio_letto lettore_messaggi::prossimo() {
  if (sfasato_) {
    if (!cerca_intestazione()) return {};
    sfasato_ = false;
  }
  std::optional<uint64_t> lunghezza;
  bool righe = false;
  for (;;) {
    std::string riga;
    const riga_letta r = leggi_riga(riga);
    if (r == riga_letta::fine) return {};
    if (r == riga_letta::vuota) {
      if (!righe) continue;  // blank lines between messages are no fault
      break;
    }
    righe = true;
    const size_t due_punti = riga.find(':');
    if (r == riga_letta::troppo_lunga || due_punti == std::string::npos ||
        !nome_intestazione(std::string_view(riga).substr(0, due_punti))) {
      sfasato_ = true;
      return {messaggio_letto::tipo::guasto, "a header line that is not \"Name: value\""};
    }
    if (!uguale_senza_maiuscole(std::string_view(riga).substr(0, due_punti + 1), kLunghezza)) continue;
    lunghezza = numero(senza_spazi(std::string_view(riga).substr(due_punti + 1)));
    if (!lunghezza) {
      sfasato_ = true;
      return {messaggio_letto::tipo::guasto, "a Content-Length that is not a number"};
    }
  }
  if (!lunghezza) {
    sfasato_ = true;
    return {messaggio_letto::tipo::guasto, "a message without Content-Length"};
  }
  if (*lunghezza > massimo_) {
    // The body is passed over as it comes, never held: the next message
    // starts right after it.
    if (!salta(*lunghezza)) return {};
    return {messaggio_letto::tipo::guasto, "a message longer than " + std::to_string(massimo_) + " bytes"};
  }
  std::string corpo(static_cast<size_t>(*lunghezza), '\0');
  in_.read(corpo.data(), static_cast<std::streamsize>(corpo.size()));
  if (static_cast<size_t>(in_.gcount()) != corpo.size()) return {};
  return {messaggio_letto::tipo::corpo, std::move(corpo)};
}

std::string incornicia(const std::string& corpo) {
  return "Content-Length: " + std::to_string(corpo.size()) + "\r\n\r\n" + corpo;
}

}  // namespace lsp
}  // namespace valdoro
