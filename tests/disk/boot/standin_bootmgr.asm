; A stand-in for a loader entered at 2000:0000 by a partition boot record. It
; reports on the screen (INT 10h; QEMU's sga device copies that to COM1) how it
; was entered, the hidden sectors of the boot sector left at 0000:7C00, whether
; every 512-byte block after the first carries its own index (a cluster loaded
; twice, skipped or out of order shows as BAD) and whether the marker at the
; very end of the file, far beyond 128 KiB, is there:
;   STANDIN BOOTMGR CS=2000 IP=0000 DL=80 DS=0000 ES=0000 SS=0000 SP=7C00
;   STANDIN BOOTMGR HIDDEN=00000800 BLOCKS=OK TAIL=OK
; Assembled with -DBLOCKS=0 it is a file of 533 bytes, small enough for NTFS
; to keep inside its file record.

        cpu     386
        bits    16
        org     0

LOAD_SEGMENT    equ     0x2000
%ifndef BLOCKS
%define BLOCKS  600                     ; about 300 KiB
%endif
%define TAIL_MARK       'TVK STANDIN TAIL MARK'
TAIL_LENGTH     equ     21

start:
        mov     [cs:entry_sp], sp
        mov     [cs:entry_ss], ss
        mov     [cs:entry_ds], ds
        mov     [cs:entry_es], es
        mov     [cs:entry_dl], dl
        call    .here
.here:
        pop     ax
        sub     ax, .here - start
        mov     [cs:entry_ip], ax
        mov     ax, cs
        mov     [cs:entry_cs], ax
        mov     ds, ax
        cld

        xor     ax, ax
        mov     es, ax
        mov     eax, [es:0x7C1C]
        mov     [hidden], eax
        mov     di, fields
.field:
        mov     si, [di]
        call    print
        mov     bx, [di + 2]
        mov     eax, [bx]
        mov     cx, [di + 4]
        call    hex
        add     di, 6
        cmp     di, fields_end
        jb      .field

        mov     si, s_blocks
        call    print
        mov     bx, LOAD_SEGMENT + 32
        mov     edx, 1
        mov     cx, BLOCKS
        jcxz    .blocks_all
.block:
        mov     es, bx
        cmp     [es:0], edx
        jne     .blocks_bad
        cmp     dword [es:4], 'TVKB'
        jne     .blocks_bad
        add     bx, 32
        inc     edx
        loop    .block
.blocks_all:
        mov     si, s_ok
        jmp     .blocks_done
.blocks_bad:
        mov     si, s_bad
.blocks_done:
        call    print

        mov     si, s_tail
        call    print
        mov     ax, LOAD_SEGMENT + ((tail - start) >> 4)
        mov     es, ax
        mov     di, (tail - start) & 15
        mov     si, tail_expected
        mov     cx, TAIL_LENGTH
        repe    cmpsb
        mov     si, s_ok
        je      .tail_done
        mov     si, s_bad
.tail_done:
        call    print
        mov     si, s_end
        call    print
.halt:
        hlt
        jmp     .halt

print:
        lodsb
        test    al, al
        jz      .done
        mov     ah, 0x0E
        mov     bx, 0x0007
        int     0x10
        jmp     print
.done:
        ret

; The low CX hex digits of EAX.
hex:
        mov     dx, cx
        shl     dl, 2
        xchg    cl, dl
        ror     eax, cl                 ; those digits to the top
        mov     cl, dl
.digit:
        rol     eax, 4
        push    eax
        and     al, 15
        add     al, '0'
        cmp     al, '9'
        jbe     .out
        add     al, 'A' - '9' - 1
.out:
        mov     ah, 0x0E
        mov     bx, 0x0007
        int     0x10
        pop     eax
        loop    .digit
        ret

; Each: the text before a value, the value's address, its hex digits.
fields:         dw      s_head, entry_cs, 4, s_ip, entry_ip, 4, s_dl, entry_dl, 2
                dw      s_ds, entry_ds, 4, s_es, entry_es, 4, s_ss, entry_ss, 4
                dw      s_sp, entry_sp, 4, s_hidden, hidden, 8
fields_end:

s_head:         db      13, 10, 'STANDIN BOOTMGR CS=', 0
s_ip:           db      ' IP=', 0
s_dl:           db      ' DL=', 0
s_ds:           db      ' DS=', 0
s_es:           db      ' ES=', 0
s_ss:           db      ' SS=', 0
s_sp:           db      ' SP=', 0
s_hidden:       db      13, 10, 'STANDIN BOOTMGR HIDDEN=', 0
s_blocks:       db      ' BLOCKS=', 0
s_tail:         db      ' TAIL=', 0
s_ok:           db      'OK', 0
s_bad:          db      'BAD', 0
s_end:          db      13, 10, 0
tail_expected:  db      TAIL_MARK       ; the tail itself is out of DS's reach

entry_cs:       dw      0
entry_ip:       dw      0
entry_ds:       dw      0
entry_es:       dw      0
entry_ss:       dw      0
entry_sp:       dw      0
entry_dl:       db      0
hidden:         dd      0

        times   512 - ($ - $$) db 0

%assign block 1
%rep BLOCKS
        dd      block
        db      'TVKB'
        times   512 - 8 db (block & 0xFF)
%assign block block + 1
%endrep

; Ends the file off a sector boundary, so the last cluster is partly used.
tail:   db      TAIL_MARK
