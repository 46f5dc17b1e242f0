; Boot sector of a small helper disk that boots first, changes what INT 13h
; shows of the second hard disk (81h, the stick) and then boots the stick
; from its MBR. Assembled in one of two ways:
;   -DHIDE_EXTENSIONS  the extension calls (41h-48h) fail for every drive:
;                      the boot code on the stick has to fall back to CHS.
;   -DSECTORS_4K       extended reads of drive 81h count in 4096-byte
;                      sectors, as on a disk with 4096-byte logical sectors
;                      (QEMU's BIOS supports only 512-byte sectors).

        cpu     386
        bits    16
        org     0

STICK_DRIVE     equ     0x81
BIOS_KIB        equ     0x0413          ; conventional memory size in the BDA

start:
        cli
        xor     ax, ax
        mov     ss, ax
        mov     sp, 0x7C00
        mov     ds, ax
        sti
        cld
        ; Take the top KiB of conventional memory for ourselves, as BIOS
        ; extensions do, so nothing loaded later overwrites the hook.
        dec     word [BIOS_KIB]
        mov     ax, [BIOS_KIB]
        shl     ax, 6
        mov     es, ax
        mov     si, 0x7C00
        xor     di, di
        mov     cx, 256
        rep     movsw
        push    es
        push    word relocated
        retf

relocated:
        mov     eax, [0x13 * 4]
        mov     [cs:old_int13], eax
        cli
        mov     word [0x13 * 4], int13
        mov     [0x13 * 4 + 2], cs
        sti

        xor     ax, ax
        mov     es, ax
        mov     bx, 0x7C00
        mov     ax, 0x0201
        mov     cx, 0x0001
        xor     dh, dh
        mov     dl, STICK_DRIVE
        int     0x13
        jc      .halt
        xor     ax, ax
        mov     ds, ax
        mov     dl, STICK_DRIVE
        jmp     0x0000:0x7C00
.halt:
        hlt
        jmp     .halt

%ifdef HIDE_EXTENSIONS
int13:
        cmp     ah, 0x41
        jb      .bios
        cmp     ah, 0x48
        ja      .bios
        push    bp
        mov     bp, sp
        or      byte [bp + 6], 1        ; CF in the caller's flags
        pop     bp
        mov     ah, 0x01                ; invalid function
        iret
.bios:
        jmp     far [cs:old_int13]
%elifdef SECTORS_4K
int13:
        cmp     ah, 0x42
        jne     .bios
        cmp     dl, STICK_DRIVE
        je      .translate
.bios:
        jmp     far [cs:old_int13]
.translate:
        pushad
        push    ds
        mov     ax, [si + 2]
        shl     ax, 3                   ; eight 512-byte sectors each
        mov     [cs:dap + 2], ax
        mov     eax, [si + 4]           ; buffer
        mov     [cs:dap + 4], eax
        mov     eax, [si + 8]
        mov     ebx, [si + 12]
        shld    ebx, eax, 3
        shl     eax, 3
        mov     [cs:dap + 8], eax
        mov     [cs:dap + 12], ebx
        push    cs
        pop     ds
        mov     si, dap
        mov     ah, 0x42
        pushf
        call    far [cs:old_int13]
        mov     [cs:status], ah
        sbb     al, al
        mov     [cs:carry], al
        pop     ds
        popad
        mov     ah, [cs:status]
        push    bp
        mov     bp, sp
        and     byte [bp + 6], 0xFE
        cmp     byte [cs:carry], 0
        je      .done
        or      byte [bp + 6], 1
.done:
        pop     bp
        iret

dap:            dw      16, 0
                dd      0, 0, 0
status:         db      0
carry:          db      0
%else
%error "assemble with -DHIDE_EXTENSIONS or -DSECTORS_4K"
%endif

old_int13:      dd      0

        times   510 - ($ - $$) db 0
        dw      0xAA55
