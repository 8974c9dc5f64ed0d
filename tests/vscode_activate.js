// Activates the VS Code extension unpacked from its .vsix, as VS Code
// would, with a stand-in for the editor's `vscode` module and for the
// client's constructor: the client library must be in the package, and
// the extension must start `scenario lsp` from the configured path for
// both kinds of source.  Prints what it saw as lines for the release test
// to compare.
//   node tests/vscode_activate.js UNPACKED_VSIX_FOLDER
'use strict';
const Module = require('module');
const path = require('path');

const root = path.join(process.argv[2], 'extension');
const manifest = require(path.join(root, 'package.json'));
const main = path.join(root, manifest.main);
// Resolved from the package's own folder, as VS Code resolves it: a client
// library left out of the package fails here.
const client = require.resolve('vscode-languageclient/node', {paths: [root]});

const seen = [];
const stand_ins = {
  vscode: {
    workspace: {
      getConfiguration: (section) => ({get: (key) => (seen.push(`setting ${section}.${key}`), '/opt/valdoro/scenario')}),
    },
  },
  [client]: {
    LanguageClient: class {
      constructor(id, name, server, options) {
        seen.push(`client ${id} "${name}"`);
        seen.push(`run ${server.run.command} ${server.run.args.join(' ')}`);
        seen.push(`debug ${server.debug.command} ${server.debug.args.join(' ')}`);
        for (const s of options.documentSelector) seen.push(`serves ${s.scheme} ${s.language}`);
      }
      start() { seen.push('started'); return Promise.resolve(); }
      stop() { seen.push('stopped'); return Promise.resolve(); }
    },
  },
};
const load = Module._load;
Module._load = function(request, parent, isMain) {
  if (request === 'vscode') return stand_ins.vscode;
  const resolved = request.startsWith('vscode-languageclient') ? Module._resolveFilename(request, parent, isMain) : '';
  if (resolved === client) return stand_ins[client];
  return load.apply(this, arguments);
};

const extension = require(main);
const context = {subscriptions: []};
Promise.resolve(extension.activate(context))
    .then(() => {
      seen.push(`subscriptions ${context.subscriptions.length}`);
      return extension.deactivate();
    })
    .then(() => console.log(seen.join('\n')));
