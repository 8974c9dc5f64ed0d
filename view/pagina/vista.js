'use strict';
(function () {
  let stato = null;
  // The token came in the address once; the cookie keeps it now, and the
  // address bar, the history and a screenshot need not show it.
  if (location.search) history.replaceState(null, '', '/');
  const $ = (id) => document.getElementById(id);
  const elemento = (nome, classe, testo) => {
    const e = document.createElement(nome);
    if (classe) e.className = classe;
    if (testo !== undefined) e.textContent = testo;
    return e;
  };
  const km = (metri) => (metri / 1000).toFixed(3);
  const dove = (file, riga, colonna) => !file ? '' : riga > 0 ? file + ':' + riga + (colonna > 0 ? ':' + colonna : '') : file;

  // The page heals by itself: a stream refused or dropped is opened again,
  // a state that could not be fetched is fetched again, each ever more
  // slowly (from half a second up to ten), and "live" is said only over the
  // newest state the server has told of.
  const kPrimaAttesa = 500, kUltimaAttesa = 10000;
  let annunciata = 0;  // the version the stream told last
  let aperto = false;  // the stream is open
  let attesa_flusso = kPrimaAttesa, attesa_stato = kPrimaAttesa;
  let in_carica = false, di_nuovo = false;

  function segna() {
    const c = $('collegamento');
    const vivo = aperto && stato !== null && stato.versione >= annunciata;
    c.textContent = vivo ? 'live' : aperto ? 'updating' : 'reconnecting';
    c.classList.toggle('vivo', vivo);
  }

  async function carica() {
    if (in_carica) { di_nuovo = true; return; }
    in_carica = true;
    try {
      const risposta = await fetch('/state', { cache: 'no-store' });
      if (!risposta.ok) throw new Error('state: ' + risposta.status);
      const nuovo = await risposta.json();
      attesa_stato = kPrimaAttesa;
      if (!stato || nuovo.versione >= stato.versione) {
        stato = nuovo;
        mostra();
      }
      if (stato.versione < annunciata) di_nuovo = true;
    } catch (e) {
      setTimeout(carica, attesa_stato);
      attesa_stato = Math.min(2 * attesa_stato, kUltimaAttesa);
    } finally {
      in_carica = false;
      segna();
      if (di_nuovo) {
        di_nuovo = false;
        carica();
      }
    }
  }

  function collega() {
    const eventi = new EventSource('/events');
    eventi.addEventListener('state', (e) => {
      annunciata = Number(e.data);
      if (!stato || annunciata !== stato.versione) carica();
      segna();
    });
    eventi.onopen = () => {
      aperto = true;
      attesa_flusso = kPrimaAttesa;
      segna();
    };
    // The browser opens again a stream that dropped, but never one that
    // was refused (503 with 32 pages open): the page does both itself.
    eventi.onerror = () => {
      aperto = false;
      segna();
      eventi.close();
      setTimeout(collega, attesa_flusso);
      attesa_flusso = Math.min(2 * attesa_flusso, kUltimaAttesa);
    };
  }

  function mostra() {
    // What the pointer told is of the state before.
    $('indicazione').hidden = true;
    const r = stato.riassunto;
    document.title = (r.titolo ? r.titolo + ' / ' + r.nome_treno + ' - ' : '') + 'scenario view';
    $('titolo').textContent = r.titolo ? r.titolo + ' / ' + r.nome_treno : 'scenario view';
    const attese = $('attese');
    attese.replaceChildren(...stato.attese.map((f) => elemento('div', '', 'waiting for ' + f)),
      ...stato.omessi.map((o) => elemento('div', '', 'too large to show: ' + o)));
    attese.hidden = stato.attese.length === 0 && stato.omessi.length === 0;
    $('lunghezza').textContent = r.lunghezza + ' m (' + km(r.lunghezza) + ' km)';
    $('celle').textContent = String(r.celle);
    $('numero-stazioni').textContent = String(r.stazioni);
    $('segnali').textContent = String(r.segnali);
    $('sorgenti').textContent = stato.linea + ', ' + stato.treno;
    $('fatti').textContent = stato.fatti ||
      ('default facts' + (stato.fatti_cercati ? ' (no ' + stato.fatti_cercati + ')' : ''));
    $('compilato').textContent = new Date().toLocaleTimeString();
    mostra_diagnostiche();
    mostra_disegno('pianta', stato.pianta);
    mostra_disegno('altimetria', stato.altimetria);
    $('carte').textContent = stato.carte || '';
    mostra_stazioni();
    document.body.dataset.versione = String(stato.versione);
  }

  function mostra_diagnostiche() {
    const lista = $('diagnostiche');
    const voci = stato.diagnostiche.map((d, i) => {
      const li = elemento('li', d.livello);
      li.id = 'd' + (i + 1);
      const testa = elemento('div');
      const a = elemento('a', 'dove', dove(d.file, d.riga, d.colonna) || '(no place)');
      a.href = '#d' + (i + 1);
      testa.append(a, ' ', elemento('span', 'livello', d.livello + ' ' + d.regola), ' ',
        elemento('span', 'messaggio', d.messaggio));
      li.append(testa);
      if (d.intorno.length > 0) {
        const pre = elemento('pre', 'intorno');
        for (const riga of d.intorno) {
          pre.append(elemento('span', riga.n === d.riga ? 'qui' : '', String(riga.n).padStart(5) + '  ' + riga.testo));
        }
        li.append(pre);
      }
      return li;
    });
    if (voci.length === 0) voci.push(elemento('li', 'nessuna', 'No problems found.'));
    lista.replaceChildren(...voci);
    const n = stato.diagnostiche.length;
    const r = stato.riassunto;
    const conta = (q, nome) => q + ' ' + nome + (q === 1 ? '' : 's');
    // Past a rule's bound problems are only counted: the count says so.
    $('conta-diagnostiche').textContent = '(' + conta(r.errori, 'error') + ', ' + conta(r.avvisi, 'warning') +
      ', ' + conta(r.note, 'note') + (r.errori + r.avvisi + r.note > n ? '; ' + n + ' listed' : '') + ')';
  }

  // The pictures are the program's own SVG, every text in them escaped.
  // A picture that a save left as it was is not laid out again.
  const disegnati = {};
  function mostra_disegno(id, svg) {
    if (disegnati[id] === svg) return;
    disegnati[id] = svg;
    $(id).innerHTML = svg.replace(/^<\?xml[^>]*\?>\s*/, '');
  }

  function ore(s) { return s || ''; }

  function mostra_stazioni() {
    const righe = stato.stazioni.map((s) => {
      const tr = elemento('tr');
      tr.dataset.riga = String(s.riga);
      tr.append(elemento('td', 'numero', String(s.riga)), elemento('td', '', s.nome),
        elemento('td', 'numero', s.km.toFixed(3)), elemento('td', 'numero', String(s.metro)),
        elemento('td', '', ore(s.arrivo)), elemento('td', '', ore(s.partenza)),
        elemento('td', 'numero', s.minimo), elemento('td', 'numero margine ' + s.giudizio, s.margine),
        elemento('td', '', s.ferma ? (s.sosta ? 'stop ' + s.sosta + ' s' : 'stop') : 'pass'),
        elemento('td', 'dove', record_di({ kind: 'station', row: String(s.riga) }).map((r) => dove(r.file, r.riga, 0)).join(' ')));
      return tr;
    });
    $('stazioni').tBodies[0].replaceChildren(...righe);
  }

  // ---- what a cell, a station or a metre holds, in the author's units

  function cella(k) {
    const c = stato.celle;
    if (k < 0 || k >= c.velocita.length) return null;
    return { velocita: c.velocita[k], pendenza: c.pendenza[k], tipo: c.tipo[k], montagna: c.montagna[k] };
  }

  function stazione_di_riga(riga) { return stato.stazioni.find((s) => s.riga === riga); }

  function racconta_stazione(s) {
    return 'station "' + s.nome + '", row ' + s.riga + '\nmetre ' + s.metro + ', line km ' + s.km.toFixed(3) +
      '\narea ' + s.inizio + ' to ' + s.fine + ' m, kind ' + s.tipo +
      (s.ferma ? (s.sosta ? '\nstop ' + s.sosta + ' s' : '\nstop') : '\npass') +
      (s.arrivo ? ', arrival ' + s.arrivo : '') + (s.partenza ? ', departure ' + s.partenza : '');
  }

  function racconta_cella(k) {
    const c = cella(k);
    if (!c) return 'cell ' + k + ' is not on the track';
    const m = k * stato.celle.metri;
    let t = 'cell ' + k + ' (metre ' + m + ', line km ' + km(metri_numerati(m)) + ')\nspeed limit ' + c.velocita +
      ' km/h, gradient ' + c.pendenza + ' per mille';
    if (c.montagna) t += '\nmountain span of kind ' + c.montagna;
    if (c.tipo) t += '\nobject of kind ' + c.tipo;
    return t;
  }

  // The records that made a drawn object, keyed as the picture keys it.
  function record_di(d) {
    const riga = Number.parseInt(d.row, 10), k = Number.parseInt(d.cell, 10);
    const da = Number.parseInt(d.from, 10), a = Number.parseInt(d.to, 10);
    return stato.record.filter((r) => {
      if (r.tipo !== d.kind) return false;
      if (d.kind === 'station') return r.riga_tabella === riga;
      if (d.kind === 'signal' || d.kind === 'board' || d.kind === 'slowdown') return r.cella === k;
      return r.da >= 0 && (r.da === da || (r.da < a && r.a > da));
    });
  }

  // Every record whose span holds a metre: what no picture draws (a
  // curve) is found by its metre.
  function record_al_metro(m) {
    return stato.record.filter((r) => r.da >= 0 && r.a > r.da && r.da <= m && m < r.a);
  }

  const kMostrati = 3;
  function racconta_record(elenco) {
    const righe = elenco.slice(0, kMostrati).map((r) => dove(r.file, r.riga, 0) + ' ' + r.parola + ': ' +
      r.valori.map(([nome, valore]) => nome + ' ' + valore).join(', '));
    if (elenco.length > kMostrati) righe.push('and ' + (elenco.length - kMostrati) + ' more records');
    return righe.join('\n');
  }

  function metri_numerati(m) {
    let scarto = 0, inizio = -Infinity;
    for (const n of stato.numerazione) {
      if (m >= n.inizio && n.inizio > inizio) { inizio = n.inizio; scarto = n.scarto; }
    }
    return m + scarto;
  }

  // Every position whose numbering gives `numerati` metres.
  function posizioni(numerati) {
    // Before every start the line counts from 0; of two rows with one
    // start, the first is in force.
    const tratti = [...stato.numerazione, { inizio: 0, scarto: 0 }]
      .filter((t, i, a) => a.findIndex((u) => u.inizio === t.inizio) === i)
      .sort((a, b) => a.inizio - b.inizio);
    const out = [];
    tratti.forEach((t, i) => {
      const p = numerati - t.scarto;
      const fine = i + 1 < tratti.length ? tratti[i + 1].inizio : stato.riassunto.lunghezza + 1;
      if (p >= Math.max(0, t.inizio) && p < fine && p <= stato.riassunto.lunghezza) out.push(p);
    });
    return out;
  }

  function vai(testo) {
    const t = testo.trim().toLowerCase();
    let m;
    let numerati = null, metro = null;
    if ((m = /^(?:km\s*)?(\d+)\+(\d{1,3})$/.exec(t))) numerati = Number(m[1]) * 1000 + Number(m[2]);
    else if ((m = /^km\s*(\d+(?:[.,]\d+)?)$/.exec(t)) || (m = /^(\d+(?:[.,]\d+)?)\s*km$/.exec(t))) numerati = Math.round(Number(m[1].replace(',', '.')) * 1000);
    else if ((m = /^(?:metre|m)?\s*(\d+)\s*m?$/.exec(t))) metro = Number(m[1]);
    else return 'give a metre (12500, metre 12500) or a km of the line (km 12.5, 12.5 km, 12+500)';
    const trovate = metro !== null ? [metro] : posizioni(numerati);
    if (trovate.length === 0) return 'no metre of the route is numbered km ' + km(numerati);
    document.querySelectorAll('#stazioni tr.scelta').forEach((tr) => tr.classList.remove('scelta'));
    return trovate.map((p) => {
      if (p > stato.riassunto.lunghezza) return 'metre ' + p + ' is beyond the route (' + stato.riassunto.lunghezza + ' m)';
      let prima = null, dopo = null;
      for (const s of stato.stazioni) {
        if (s.metro <= p && (!prima || s.metro > prima.metro)) prima = s;
        if (s.metro > p && (!dopo || s.metro < dopo.metro)) dopo = s;
      }
      for (const s of [prima, dopo]) {
        if (s) document.querySelector('#stazioni tr[data-riga="' + s.riga + '"]').classList.add('scelta');
      }
      const tratti = record_al_metro(p).map((r) => r.parola + ' ' + dove(r.file, r.riga, 0));
      return 'metre ' + p + ', line km ' + km(metri_numerati(p)) + ': ' +
        racconta_cella(Math.floor(p / stato.celle.metri)).split('\n').slice(1).join('; ') +
        (prima ? '; after ' + prima.nome + ' (metre ' + prima.metro + ')' : '') +
        (dopo ? '; before ' + dopo.nome + ' (metre ' + dopo.metro + ')' : '') +
        (tratti.length > 0 ? '; records ' + tratti.join(', ') : '');
    }).join('\n');
  }

  // The fastest run answers through its own reading, not as an object.
  const kSegnati = '[data-kind]:not([data-kind="run"]),[data-row],[data-cell]';

  // Every object the picture holds under the pointer, topmost first, each
  // once: through what is drawn over it without a name of its own (a
  // gradient's figure over its stretch, the track down the middle of a
  // tunnel) and through another object (a curve over a tunnel).
  function segnati_sotto(bersaglio, x, y) {
    const out = [], visti = new Set();
    const aggiungi = (segnato) => {
      const d = segnato.dataset, chiave = [d.kind, d.row, d.cell, d.from, d.to].join('/');
      if (!visti.has(chiave)) { visti.add(chiave); out.push(segnato); }
    };
    if (bersaglio.closest(kSegnati)) aggiungi(bersaglio.closest(kSegnati));
    for (const el of document.elementsFromPoint(x, y)) {
      if (!el.closest('#pianta, #altimetria')) break;
      if (el.closest(kSegnati)) aggiungi(el.closest(kSegnati));
    }
    return out.slice(0, kMostrati);
  }

  function racconta_segnato(segnato) {
    const d = segnato.dataset;
    const righe = [];
    const riga = Number.parseInt(d.row, 10);
    const k = Number.parseInt(d.cell, 10);
    if (Number.isFinite(riga) && stazione_di_riga(riga)) righe.push(racconta_stazione(stazione_di_riga(riga)));
    else if (d.kind) righe.push(d.kind + (d.from !== undefined ? ', metre ' + d.from + (d.to !== d.from ? ' to ' + d.to : '') : ''));
    if (Number.isFinite(k)) righe.push(racconta_cella(k));
    if (d.kind) {
      const elenco = record_di(d);
      righe.push(elenco.length > 0 ? racconta_record(elenco) : 'no record of the sources made it');
    }
    return righe.join('\n');
  }

  // What a drawn object is: its data-kind/data-row/data-cell when the
  // picture gives them, else a station's name, and what lies beneath.
  function racconta(bersaglio, x, y) {
    if (!stato || !(bersaglio instanceof Element)) return null;
    const nome = bersaglio.closest('text') ? bersaglio.closest('text').textContent.trim() : null;
    const stazione = nome !== null && !bersaglio.closest(kSegnati) ? stato.stazioni.find((s) => s.nome === nome) : null;
    if (stazione) return racconta_stazione(stazione);
    const testi = segnati_sotto(bersaglio, x, y).map(racconta_segnato).filter((t) => t !== '');
    return testi.length > 0 ? testi.join('\n') : null;
  }

  // The fastest run, pointed anywhere over the speed panel: its speed at
  // the metre under the pointer, read from the curve the picture draws
  // (the group says how its x and y read as metres and km/h).
  function racconta_corsa(e) {
    const g = stato && e.target instanceof Element ? e.target.closest('[data-kind="run"]') : null;
    if (!g) return null;
    const d = g.dataset;
    const q = new DOMPoint(e.clientX, e.clientY).matrixTransform(g.getScreenCTM().inverse());
    const metro = Math.round((q.x - Number(d.x0)) * Number(d.mPerPx));
    for (const linea of g.querySelectorAll('polyline')) {
      const p = Array.from(linea.points);
      if (p.length < 2 || q.x < p[0].x || q.x > p[p.length - 1].x) continue;
      let i = 1;
      while (i < p.length - 1 && p[i].x < q.x) ++i;
      const f = p[i].x > p[i - 1].x ? (q.x - p[i - 1].x) / (p[i].x - p[i - 1].x) : 1;
      const y = p[i - 1].y + f * (p[i].y - p[i - 1].y);
      const kmh = (Number(d.y0) - y) * Number(d.kmhPerPx);
      return 'fastest run: ' + Math.round(kmh) + ' km/h at line km ' + km(metri_numerati(metro)) + ' (metre ' + metro + ')';
    }
    return null;
  }

  function indica(e) {
    const box = $('indicazione');
    const t = racconta_corsa(e) || racconta(e.target, e.clientX, e.clientY);
    if (!t) { box.hidden = true; return; }
    box.textContent = t;
    box.hidden = false;
    const x = Math.min(e.clientX + 14, window.innerWidth - box.offsetWidth - 4);
    const y = Math.min(e.clientY + 14, window.innerHeight - box.offsetHeight - 4);
    box.style.left = x + 'px';
    box.style.top = y + 'px';
  }

  // The pictures and the papers share the page's room, one tab at a time;
  // both are refreshed on every state, shown or not.
  function scegli_scheda(scelta) {
    for (const [scheda, pannello] of [['scheda-disegni', 'pannello-disegni'], ['scheda-carte', 'pannello-carte']]) {
      const questa = scheda === scelta;
      $(scheda).setAttribute('aria-selected', String(questa));
      $(scheda).tabIndex = questa ? 0 : -1;
      $(pannello).hidden = !questa;
    }
    $('indicazione').hidden = true;
  }

  document.addEventListener('DOMContentLoaded', () => {
    for (const id of ['scheda-disegni', 'scheda-carte']) $(id).addEventListener('click', () => scegli_scheda(id));
    for (const id of ['pianta', 'altimetria']) {
      $(id).addEventListener('mousemove', indica);
      $(id).addEventListener('mouseleave', () => { $('indicazione').hidden = true; });
    }
    $('vai').addEventListener('submit', (e) => {
      e.preventDefault();
      if (stato) $('vai-esito').textContent = vai($('vai-testo').value);
    });
    // The state is fetched at once, not only when the stream tells of it:
    // a page refused its stream still shows it.
    carica();
    collega();
  });
})();
