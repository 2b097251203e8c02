" beatplate charts: comments begin with ";"; Neovim starts `beatplate lsp` for them.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1
setlocal commentstring=;\ %s
let b:undo_ftplugin = 'setlocal commentstring<'

if has('nvim-0.7')
  lua require('beatplate').start()
endif
