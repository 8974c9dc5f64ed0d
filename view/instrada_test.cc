// What the view's server answers, request by request, with no socket.
#include "view/instrada.h"

#include <gtest/gtest.h>

#include <string>

#include "view/vista.h"

namespace valdoro {
namespace {

const identita_vista kChi{4321, "0123456789abcdef0123456789abcdef"};
const std::string kCookie = "scenario_view_4321=0123456789abcdef0123456789abcdef";
const std::string kHost = "127.0.0.1:4321";

TEST(Instrada, EachRequestToItsAnswer) {
  struct caso {
    const char* nome;
    richiesta_vista r;
    int codice;
    cosa_risposta cosa;
    std::string corpo;  // for a text answer
  } casi[] = {
      {"no token", {true, "/", "", kHost}, 403, cosa_risposta::testo, ""},
      {"another server's cookie",
       {true, "/state", "scenario_view_4322=0123456789abcdef0123456789abcdef", kHost},
       403,
       cosa_risposta::testo,
       ""},
      {"token in the query",
       {true, "/?token=0123456789abcdef0123456789abcdef", "", kHost},
       200,
       cosa_risposta::testo,
       kPaginaVista},
      {"a foreign Host, with the token",
       {true, "/", kCookie, "evil.example:4321"},
       403,
       cosa_risposta::testo,
       "this server answers only to its own address\n"},
      {"POST", {false, "/state", kCookie, kHost}, 405, cosa_risposta::testo, "only GET\n"},
      {"the script", {true, "/vista.js", kCookie, kHost}, 200, cosa_risposta::testo, kScriptVista},
      {"the style", {true, "/vista.css", kCookie, "localhost:4321"}, 200, cosa_risposta::testo, kStileVista},
      {"the state", {true, "/state?x=1", kCookie, kHost}, 200, cosa_risposta::stato, ""},
      {"the events", {true, "/events", kCookie, "[::1]:4321"}, 200, cosa_risposta::flusso, ""},
      {"a file's name", {true, "/view/vista.cc", kCookie, kHost}, 404, cosa_risposta::testo, "not found\n"},
      {"a path with a slash more", {true, "/state/", kCookie, kHost}, 404, cosa_risposta::testo, "not found\n"},
  };
  for (const caso& c : casi) {
    const risposta_vista e = instrada(c.r, kChi);
    EXPECT_EQ(e.codice, c.codice) << c.nome;
    EXPECT_EQ(e.cosa, c.cosa) << c.nome;
    if (c.cosa == cosa_risposta::testo) {
      EXPECT_EQ(std::string(e.corpo), c.corpo) << c.nome;
    }
  }
}

TEST(Instrada, OnlyThePageSetsTheCookieAndEachPartHasItsType) {
  const richiesta_vista pagina{true, "/", kCookie, kHost};
  EXPECT_TRUE(instrada(pagina, kChi).con_cookie);
  EXPECT_STREQ(instrada(pagina, kChi).tipo, "text/html; charset=utf-8");
  EXPECT_STREQ(instrada({true, "/vista.js", kCookie, kHost}, kChi).tipo, "text/javascript; charset=utf-8");
  EXPECT_STREQ(instrada({true, "/state", kCookie, kHost}, kChi).tipo, "application/json");
  EXPECT_FALSE(instrada({true, "/state", kCookie, kHost}, kChi).con_cookie);
  // A server without a token lets nobody in.
  EXPECT_EQ(instrada(pagina, {4321, ""}).codice, 403);
}

}  // namespace
}  // namespace valdoro
