// What the line half and the train half share in reading their records:
// keyword tests, the record phase, the stops that record an error and the
// warnings that do not, and the position test against the track.
#ifndef VALDORO_COMPILER_RECORD_H_
#define VALDORO_COMPILER_RECORD_H_

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "compiler/compilazione.h"
#include "compiler/lettore.h"
#include "model/errori.h"
#include "model/tabelle.h"

namespace valdoro {

// How a record leaves the reading of its source: go on, stop this source as
// if it were exhausted (its closing fills still run), or stop at once.
enum class esito { avanti, ferma_sorgente, ferma_subito };

// Keyword tests: substring, ignoring case or exact.
bool contiene(std::string_view voce, std::string_view chiave);
bool contiene_esatto(std::string_view voce, std::string_view chiave);

// Both sources skip an item holding "-" in favour of the one after it.
bool ha_trattino(std::string_view voce);

// A record written with semicolons or tabs between its fields is one item
// to the reader: what it holds in place of commas ("semicolons", "tabs"),
// or nullptr.
const char* separatore_sbagliato(std::string_view voce);

// What could not be read, and in which record: the keyword item the record
// was recognised by is still the current item.
std::string testo_lettura(const compilazione& comp, const errore_lettura& e);

// A record that could not be read (error 25): in an author's run the error
// is recorded and the reading resumes at the next line, past the faulty
// record; otherwise it goes on to the compiler's trap.  A value that reads
// but does not fit what it is stored in counts as unreadable too.
template <typename Applica>
esito prova_record(compilazione& comp, lettore& r, Applica applica) {
  if (!comp.recupera()) return applica();
  try {
    return applica();
  } catch (const errore_lettura& e) {
    comp.d.errore(numero_errore::lettura, e.dove(), testo_lettura(comp, e));
  } catch (const std::range_error& e) {
    comp.d.errore(numero_errore::lettura, r.luogo_voce(), "record \"" + comp.voce_letta + "\", " + e.what());
  }
  r.salta_riga();
  return esito::avanti;
}

// The record phase of both sources: read a keyword candidate, pass over up
// to two items holding "-", hand it to `applica`; the last item of the
// source is never handed over.  Ends when the source is exhausted or a
// record stops the reading; an author's run reads on past a record that
// would stop it.
template <typename Applica>
esito fase_record(compilazione& comp, lettore& r, Applica applica) {
  constexpr int kTrattiniRecord = 2;
  for (;;) {
    if (r.esaurito()) return esito::avanti;
    comp.voce_letta.assign(r.leggi_testo());
    if (r.esaurito()) return esito::avanti;
    for (int i = 0; i < kTrattiniRecord && ha_trattino(comp.voce_letta); ++i) {
      comp.voce_letta.assign(r.leggi_testo());
      if (r.esaurito()) return esito::avanti;
    }
    // An author's run passes over a record whose fields are not separated
    // by commas (the checker names it), so that the record after it, which
    // the packager's reading would take for its fields, is still read.
    if (comp.recupera() && separatore_sbagliato(comp.voce_letta) != nullptr) continue;
    const esito e = prova_record(comp, r, applica);
    if (e != esito::avanti && !comp.recupera()) return e;
  }
}

// Reads items up to one containing "[generale]".  False when the source
// ends first: an item that is the very last one does not count.
bool cerca_generale(compilazione& comp, lettore& r);

// Records `numero` at the place `dove` of `r`'s source, with `testo` saying
// the value and the limit it passed, and says how the reading goes on.
// `titolare` is the record that holds what this one was refused, if known.
esito ferma(compilazione& comp, const lettore& r, lettore::punto dove, numero_errore numero, esito come,
            std::string testo = {}, luogo titolare = {});

// Warns `id` at the place `dove` of `r`'s source; the tables are not touched.
void avvisa(compilazione& comp, const char* id, const lettore& r, lettore::punto dove, std::string testo);

// Records of the lists that fill the track from a position on (gradients,
// speeds, adhesions) must rise in position: a record at or before the one
// before it still pushes the fill on by a cell.  Warns when `p` does not lie
// beyond `ultima`, the position of the record before, and moves it on.
void controlla_ordine(compilazione& comp, const lettore& r, lettore::punto dove, const char* elenco, int32_t p,
                      int64_t& ultima);

// Both writers end their sources with the line "[fine]", the last item,
// which the reading never looks at.  A source without it may have been cut
// short at a line end and still compile: the author hears of it.
void controlla_fine(compilazione& comp, const lettore& r);

// After a record has stored its objects: when the reserved members of cell 1
// have become non-zero, this record is the one the identity codes clash with.
void nota_cella_riservata(compilazione& comp, const lettore& r, lettore::punto dove);

// The position test shared by every line record: true when a record at p
// lies beyond the usable end of the track.
bool oltre_il_binario(const scenario& s, int32_t p);

// Error 15 for a record at p that oltre_il_binario refused: the position
// and the last one the track takes, `margine` metres short of its last cell.
esito ferma_oltre(compilazione& comp, const lettore& r, lettore::punto dove, int64_t p, int32_t margine = 100);

}  // namespace valdoro

#endif  // VALDORO_COMPILER_RECORD_H_
