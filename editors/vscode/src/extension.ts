// beatplate charts in VS Code: starts `beatplate lsp` for them, claims the plain-text files that
// are charts, and shows the picture of a chart beside it as it is typed.
import * as vscode from 'vscode';
import { LanguageClient, LanguageClientOptions, ServerOptions } from 'vscode-languageclient/node';
import { PicturePanel } from './picturePanel';

// The first line of a chart: a directive of the notation or a comment.
const chartFirstLine =
  /^(#(title|difficulty|level|bpm|hs|meter|beatchar|tab|branch|begingogo|endgogo|newline)\b|;)/;

let client: LanguageClient | undefined;

function settings(): vscode.WorkspaceConfiguration {
  return vscode.workspace.getConfiguration('beatplate');
}

function isChart(document: vscode.TextDocument): boolean {
  if (document.lineCount > 0 && chartFirstLine.test(document.lineAt(0).text)) {
    return true;
  }
  const patterns = settings().get<string[]>('filePatterns', []);
  return patterns.some((pattern) => vscode.languages.match({ pattern }, document) > 0);
}

// A chart saved as ".txt" opens as plain text: it is given its language here.
async function claim(document: vscode.TextDocument): Promise<void> {
  if (document.languageId === 'plaintext' && isChart(document)) {
    await vscode.languages.setTextDocumentLanguage(document, 'beatplate');
  }
}

export async function activate(context: vscode.ExtensionContext): Promise<void> {
  const command = settings().get<string>('command', 'beatplate');
  const serverOptions: ServerOptions = { command, args: ['lsp'] };
  const clientOptions: LanguageClientOptions = {
    documentSelector: [{ language: 'beatplate' }],
    initializationOptions: { inlayHints: settings().get<boolean>('inlayHints', true) },
    // workspace/didChangeConfiguration carries the "beatplate" settings to the server.
    synchronize: { configurationSection: 'beatplate' },
  };
  client = new LanguageClient('beatplate', 'beatplate', serverOptions, clientOptions);
  await client.start();

  const pictures = new PicturePanel(client);
  context.subscriptions.push(
    pictures,
    vscode.workspace.onDidOpenTextDocument(claim),
    vscode.workspace.onDidChangeTextDocument((event) => pictures.changed(event.document)),
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('beatplate.picture.columns')) {
        pictures.refresh();
      }
    }),
    vscode.commands.registerCommand('beatplate.showPicture', () => {
      const editor = vscode.window.activeTextEditor;
      if (editor) {
        pictures.show(editor.document);
      }
    }),
  );
  await Promise.all(vscode.workspace.textDocuments.map(claim));
}

export async function deactivate(): Promise<void> {
  await client?.stop();
}
