#include "draw/numerazione.h"

#include <algorithm>

#include "draw/draw.h"

namespace valdoro {

namespace disegno {

std::string chilometri(int64_t metri) {
  const int64_t m = metri < 0 ? -metri : metri;
  std::string s = (metri < 0 ? "-" : "") + std::to_string(m / 1000);
  if (m % 1000 != 0) {
    std::string decimali = std::to_string(1000 + m % 1000).substr(1);
    while (decimali.back() == '0') decimali.pop_back();
    s += "." + decimali;
  }
  return s;
}

std::string lunghezza_km(int32_t metri) { return chilometri(metri) + " km"; }

std::vector<cambio_numerazione> cambi_numerazione(const tabella_stazioni_t& t, int32_t fine) {
  std::vector<int32_t> inizi;
  for (int r = kPrimaRigaNumerazione; r <= kUltimaRigaNumerazione; ++r) {
    if (t[r].inizio > 0 && t[r].inizio <= fine) inizi.push_back(t[r].inizio);
  }
  std::sort(inizi.begin(), inizi.end());
  inizi.erase(std::unique(inizi.begin(), inizi.end()), inizi.end());
  std::vector<cambio_numerazione> out;
  for (int32_t p : inizi) {
    const int64_t prima = int64_t{metri_numerati(t, p - 1)} + 1, dopo = metri_numerati(t, p);
    if (prima != dopo) out.push_back({p, prima, dopo});
  }
  return out;
}

std::vector<tacca> tacche(const tabella_stazioni_t& t, int32_t fine, int64_t passo) {
  std::vector<int32_t> bordi = {0};
  for (const cambio_numerazione& c : cambi_numerazione(t, fine)) bordi.push_back(c.metro);
  bordi.push_back(fine + 1);
  std::vector<tacca> out;
  for (size_t i = 0; i + 1 < bordi.size(); ++i) {
    const int64_t da = bordi[i], a = bordi[i + 1];
    const int64_t scostamento = metri_numerati(t, static_cast<int32_t>(da)) - da;
    const int64_t primo = da + scostamento, resto = ((primo % passo) + passo) % passo;
    for (int64_t n = resto == 0 ? primo : primo - resto + passo; n - scostamento < a; n += passo) {
      if (n - scostamento == da && i > 0) continue;
      out.push_back({static_cast<int32_t>(n - scostamento), n});
    }
  }
  return out;
}

}  // namespace disegno
}  // namespace valdoro
