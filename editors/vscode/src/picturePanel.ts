// The picture of a chart in a panel beside it, asked of the server (beatplate/picture) when the
// panel opens and again once the author pauses typing. The server draws it off its message loop,
// so the editor never waits for it; a picture asked for again cancels the one asked before.
import * as vscode from 'vscode';
import { LanguageClient } from 'vscode-languageclient/node';

interface PictureResult {
  version: number;
  png: string | null;
  figures: { measures?: number; seconds?: number; notes?: { total?: number } } | null;
  error: string | null;
}

// Longer than the server's own pause, so that the picture follows the diagnostics.
const pauseMilliseconds = 300;

function escapeHtml(text: string): string {
  return text.replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);
}

export class PicturePanel implements vscode.Disposable {
  private panel: vscode.WebviewPanel | undefined;
  private document: vscode.TextDocument | undefined;
  private timer: NodeJS.Timeout | undefined;
  private pending: vscode.CancellationTokenSource | undefined;

  constructor(private readonly client: LanguageClient) {}

  show(document: vscode.TextDocument): void {
    this.document = document;
    if (!this.panel) {
      this.panel = vscode.window.createWebviewPanel(
        'beatplate.picture',
        'Picture',
        { viewColumn: vscode.ViewColumn.Beside, preserveFocus: true },
        { enableScripts: false },
      );
      this.panel.onDidDispose(() => {
        this.panel = undefined;
      });
    }
    this.panel.title = `Picture: ${document.fileName.split(/[\\/]/).pop()}`;
    void this.update();
  }

  changed(document: vscode.TextDocument): void {
    if (!this.panel || document !== this.document) {
      return;
    }
    if (this.timer) {
      clearTimeout(this.timer);
    }
    this.timer = setTimeout(() => void this.update(), pauseMilliseconds);
  }

  // The columns setting changed: the picture is drawn again in them.
  refresh(): void {
    void this.update();
  }

  dispose(): void {
    if (this.timer) {
      clearTimeout(this.timer);
    }
    this.pending?.cancel();
    this.panel?.dispose();
  }

  private async update(): Promise<void> {
    if (!this.panel || !this.document) {
      return;
    }
    this.pending?.cancel();
    const pending = new vscode.CancellationTokenSource();
    this.pending = pending;
    const columns = vscode.workspace
      .getConfiguration('beatplate')
      .get<string>('picture.columns', '1');
    let result: PictureResult;
    try {
      result = await this.client.sendRequest<PictureResult>(
        'beatplate/picture',
        {
          textDocument: { uri: this.document.uri.toString() },
          columns: columns === 'auto' ? 'auto' : Number(columns),
        },
        pending.token,
      );
    } catch (error) {
      // A picture cancelled for a newer one shows nothing; any other failure is shown.
      if (pending.token.isCancellationRequested) {
        return;
      }
      result = { version: 0, png: null, figures: null, error: String(error) };
    } finally {
      pending.dispose();
    }
    if (this.panel && this.pending === pending) {
      this.panel.webview.html = this.page(result);
    }
  }

  private page(result: PictureResult): string {
    const figures = result.figures
      ? `<p>${result.figures.measures ?? 0} measures, ${result.figures.seconds ?? 0} s, ` +
        `${result.figures.notes?.total ?? 0} notes</p>`
      : '';
    const body = result.png
      ? `<img alt="The chart's picture" src="data:image/png;base64,${result.png}">`
      : `<p class="error">${escapeHtml(result.error ?? 'no picture')}</p>`;
    return `<!DOCTYPE html>
<html><head><meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; img-src data:; style-src 'unsafe-inline';">
<style>img { max-width: 100%; image-rendering: pixelated; } .error { color: var(--vscode-errorForeground); }</style>
</head><body>${figures}${body}</body></html>`;
  }
}
