-- Starts `beatplate lsp` for the current buffer with Neovim's built-in client, one server for
-- all charts. g:beatplate_command names the program (default: "beatplate" on PATH).
local M = {}

function M.start()
  local command = vim.g.beatplate_command or 'beatplate'
  local config = {
    name = 'beatplate',
    cmd = { command, 'lsp' },
    root_dir = vim.fn.getcwd(),
  }
  if vim.lsp.start then
    vim.lsp.start(config)
    return
  end
  -- Neovim 0.7 has no vim.lsp.start: one client is started and every chart buffer attached.
  if not M.client or vim.lsp.client_is_stopped(M.client) then
    M.client = vim.lsp.start_client(config)
  end
  vim.lsp.buf_attach_client(0, M.client)
end

return M
