#include "output/formato_binario.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace valdoro {
namespace {

namespace fb = formato_binario;

// Where each member starts and how wide it is, as the simulator reads a
// station row: the members after the name start n bytes later, n being the
// name's length, which is 0 here.
struct posto {
  const char* nome;
  size_t offset;
  size_t larghezza;
};

template <typename R, size_t N>
void confronta(const fb::campo<R> (&campi)[N], const std::vector<posto>& attesi) {
  ASSERT_EQ(N, attesi.size());
  for (size_t i = 0; i < N; ++i) {
    EXPECT_STREQ(campi[i].nome, attesi[i].nome) << i;
    EXPECT_EQ(fb::offset(campi, i), attesi[i].offset) << attesi[i].nome;
    EXPECT_EQ(fb::larghezza(campi[i].tipo), attesi[i].larghezza) << attesi[i].nome;
  }
}

TEST(FormatoBinario, StationRowMembersFallWhereTheSimulatorReadsThem) {
  confronta(fb::kCampiRiga, {{"tipo", 0, 1},
                             {"inizio", 1, 4},
                             {"fine", 5, 4},
                             {"progressiva", 9, 4},
                             {"campo4", 13, 1},
                             {"nome", 14, 2},
                             {"campo7", 16, 2},
                             {"campo8", 18, 2},
                             {"campo10", 20, 2},
                             {"campo11", 22, 2},
                             {"campo12", 24, 2},
                             {"campo9", 26, 1},
                             {"campo13", 27, 1},
                             {"campo6", 28, 1},
                             {"campo5", 29, 1},
                             {"orario", 30, 4}});
  EXPECT_EQ(fb::kByteRigaSenzaNome, 34u);
}

TEST(FormatoBinario, CellMembersFallWhereTheSimulatorReadsThem) {
  confronta(fb::kCampiCella, {{"tipo", 0, 1},
                              {"valore1", 1, 2},
                              {"valore2", 3, 2},
                              {"valore3", 5, 2},
                              {"valore4", 7, 2},
                              {"tempo", 9, 1},
                              {"annuncio", 10, 1},
                              {"montagna", 11, 1},
                              {"velocita", 12, 1},
                              {"pendenza", 13, 1},
                              {"aderenza", 14, 1}});
  EXPECT_EQ(fb::kByteCella, 15u);  // not 16: no alignment byte after tipo
}

// A name that points at another member would decode one member into
// another and show it under the wrong name: each member set alone in the
// model must be the one its name finds, and no other.
template <typename R, size_t N>
void ogni_nome_trova_il_suo_membro(const fb::campo<R> (&campi)[N],
                                   const std::vector<std::pair<const char*, std::function<void(R&)>>>& casi) {
  ASSERT_EQ(casi.size(), N);
  for (const auto& [nome, imposta] : casi) {
    R r{};
    imposta(r);
    for (const fb::campo<R>& m : campi) {
      const bool preso = m.tipo == fb::tipo_campo::testo ? !(r.*m.testo).empty() : fb::numero(r, m) != 0;
      EXPECT_EQ(preso, std::strcmp(m.nome, nome) == 0) << nome << " seen in " << m.nome;
    }
  }
}

TEST(FormatoBinario, EachStationRowNameFindsItsOwnMember) {
  using r_t = riga_stazione;
  ogni_nome_trova_il_suo_membro<r_t>(fb::kCampiRiga, {{"tipo", [](r_t& r) { r.tipo = 1; }},
                                                      {"inizio", [](r_t& r) { r.inizio = -1; }},
                                                      {"fine", [](r_t& r) { r.fine = 70000; }},
                                                      {"progressiva", [](r_t& r) { r.progressiva = 1; }},
                                                      {"campo4", [](r_t& r) { r.campo4 = 255; }},
                                                      {"nome", [](r_t& r) { r.nome = "x"; }},
                                                      {"campo7", [](r_t& r) { r.campo7 = 610; }},
                                                      {"campo8", [](r_t& r) { r.campo8 = -2; }},
                                                      {"campo10", [](r_t& r) { r.campo10 = 1; }},
                                                      {"campo11", [](r_t& r) { r.campo11 = 1; }},
                                                      {"campo12", [](r_t& r) { r.campo12 = 1; }},
                                                      {"campo9", [](r_t& r) { r.campo9 = 1; }},
                                                      {"campo13", [](r_t& r) { r.campo13 = 1; }},
                                                      {"campo6", [](r_t& r) { r.campo6 = 1; }},
                                                      {"campo5", [](r_t& r) { r.campo5 = 1; }},
                                                      {"orario", [](r_t& r) { r.orario = 51390; }}});
}

TEST(FormatoBinario, EachCellNameFindsItsOwnMember) {
  ogni_nome_trova_il_suo_membro<cella>(fb::kCampiCella, {{"tipo", [](cella& c) { c.tipo = 11; }},
                                                         {"valore1", [](cella& c) { c.valore1 = 5121; }},
                                                         {"valore2", [](cella& c) { c.valore2 = -1; }},
                                                         {"valore3", [](cella& c) { c.valore3 = 1; }},
                                                         {"valore4", [](cella& c) { c.valore4 = 1; }},
                                                         {"tempo", [](cella& c) { c.tempo = 1; }},
                                                         {"annuncio", [](cella& c) { c.annuncio = 1; }},
                                                         {"montagna", [](cella& c) { c.montagna = 1; }},
                                                         {"velocita", [](cella& c) { c.velocita = 30; }},
                                                         {"pendenza", [](cella& c) { c.pendenza = 100; }},
                                                         {"aderenza", [](cella& c) { c.aderenza = 1; }}});
}

TEST(FormatoBinario, MembersAreFoundByTheirPointers) {
  EXPECT_EQ(fb::indice(fb::kCampiRiga, &riga_stazione::tipo), 0u);
  EXPECT_EQ(fb::indice(fb::kCampiRiga, &riga_stazione::nome), 5u);
  EXPECT_EQ(fb::indice(fb::kCampiRiga, &riga_stazione::campo9), 11u);
  EXPECT_EQ(fb::indice(fb::kCampiRiga, &riga_stazione::orario), 15u);
  EXPECT_EQ(fb::indice(fb::kCampiCella, &cella::aderenza), 10u);
}

// The tags in both directions, and the bytes that follow each.
TEST(FormatoBinario, TagsOfTheProfileValues) {
  const struct {
    tipo_valore tipo;
    uint16_t tag;
    size_t dopo;
  } casi[] = {{tipo_valore::vuoto, 0, 0}, {tipo_valore::intero, 2, 2}, {tipo_valore::doppio, 5, 8}};
  for (const auto& c : casi) {
    EXPECT_EQ(fb::numero_tag(fb::tag_di(c.tipo)), c.tag);
    EXPECT_EQ(fb::tipo_di(c.tag), c.tipo) << c.tag;
    EXPECT_EQ(fb::byte_dopo_tag(c.tipo), c.dopo) << c.tag;
  }
  for (uint16_t ignoto : {1, 3, 4, 6, 0x0200, 0xFFFF}) EXPECT_EQ(fb::tipo_di(ignoto), std::nullopt) << ignoto;
  EXPECT_EQ(fb::kByteValoreMassimo, 10u);
}

}  // namespace
}  // namespace valdoro
