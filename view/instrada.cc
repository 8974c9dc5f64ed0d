#include "view/instrada.h"

#include "view/vista.h"

namespace valdoro {

namespace {

risposta_vista testo(int codice, std::string_view corpo) {
  risposta_vista r;
  r.codice = codice;
  r.corpo = corpo;
  return r;
}

risposta_vista parte_pagina(const char* tipo, std::string_view corpo) {
  risposta_vista r = testo(200, corpo);
  r.tipo = tipo;
  return r;
}

}  // namespace

risposta_vista instrada(const richiesta_vista& r, const identita_vista& chi) {
  // Nothing, not even why, for a request without the token: another user
  // of the machine learns nothing of the server.
  if (!gettone_ammesso(r.cookie, r.target, nome_cookie(chi.porta), chi.gettone)) return testo(403, "");
  if (!host_ammesso(r.host, chi.porta)) return testo(403, "this server answers only to its own address\n");
  if (!r.get) return testo(405, "only GET\n");
  // The paths are names of the page's own parts, never of files.
  const std::string_view percorso = r.target.substr(0, r.target.find('?'));
  if (percorso == "/") {
    risposta_vista p = parte_pagina("text/html; charset=utf-8", kPaginaVista);
    p.con_cookie = true;
    return p;
  }
  if (percorso == "/vista.js") return parte_pagina("text/javascript; charset=utf-8", kScriptVista);
  if (percorso == "/vista.css") return parte_pagina("text/css; charset=utf-8", kStileVista);
  if (percorso == "/state") {
    risposta_vista s = parte_pagina("application/json", {});
    s.cosa = cosa_risposta::stato;
    return s;
  }
  if (percorso == "/events") {
    risposta_vista f;
    f.cosa = cosa_risposta::flusso;
    return f;
  }
  return testo(404, "not found\n");
}

}  // namespace valdoro
