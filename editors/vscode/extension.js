// Starts `scenario lsp` for the two kinds of source: every diagnostic,
// hover, completion and fix comes from the server, so this file only says
// where the program is and which documents it serves.
'use strict';

const vscode = require('vscode');
const {LanguageClient} = require('vscode-languageclient/node');

let client;

function activate(context) {
  const command = vscode.workspace.getConfiguration('valdoro').get('scenarioPath') || 'scenario';
  const server = {command, args: ['lsp']};
  client = new LanguageClient(
      'valdoro', 'Valdoro scenario', {run: server, debug: server}, {
        // The server pairs a line source with its train source by name in
        // one folder, so both kinds go to the one server.
        documentSelector: [
          {scheme: 'file', language: 'valdoro-line'},
          {scheme: 'file', language: 'valdoro-train'},
          {scheme: 'untitled', language: 'valdoro-line'},
          {scheme: 'untitled', language: 'valdoro-train'},
        ],
      });
  context.subscriptions.push(client);
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = {activate, deactivate};
