; FAT32 partition boot record: two sectors of code.
;
; Bytes 0-511 are the volume's boot sector. The disk tool keeps the volume's
; own OEM name and BPB in bytes 3-89, so we leave them zero here and read the
; BPB in place at 0000:7C00. Bytes 512-1023 go to the volume's reserved
; sector 2; the boot sector loads it to 0000:7E00 and continues there.
;
; The loader (BOOTMGR, or GRLDR when assembled with -DLOADER_GRLDR) is looked
; up by its short name in the root directory, loaded whole to 2000:0000 and
; entered with DL = BIOS drive, DS = ES = SS = 0, SP = 7C00 and this sector
; with its BPB still at 0000:7C00: the hand-off both loaders expect.
;
; Only the drive in DL is ever read. All sector arithmetic uses the BPB's
; bytes per sector, so 512- and 4096-byte logical sectors both work.

        cpu     386
        bits    16
        org     0x7C00

%ifdef LOADER_GRLDR
%define LOADER_NAME     'GRLDR'
%define LOADER_83       'GRLDR      '
%else
%define LOADER_NAME     'BOOTMGR'
%define LOADER_83       'BOOTMGR    '
%endif

BPB_BYTES_PER_SECTOR    equ     0x7C0B  ; word
BPB_SECTORS_PER_CLUSTER equ     0x7C0D  ; byte
BPB_RESERVED_SECTORS    equ     0x7C0E  ; word
BPB_FAT_COUNT           equ     0x7C10  ; byte
BPB_SECTORS_PER_TRACK   equ     0x7C18  ; word
BPB_HEADS               equ     0x7C1A  ; word
BPB_HIDDEN_SECTORS      equ     0x7C1C  ; dword
BPB_FAT_SIZE            equ     0x7C24  ; dword
BPB_ROOT_CLUSTER        equ     0x7C2C  ; dword

; Variables in free conventional memory below the stack, away from the BPB.
DRIVE                   equ     0x0500  ; byte
CHUNK                   equ     0x0502  ; word: sectors per BIOS call
SECTORS_PER_TRACK       equ     0x0504  ; word: CHS geometry in use
HEADS                   equ     0x0506  ; word
DAP                     equ     0x0510  ; 16 bytes
FAT_LBA                 equ     0x0520  ; dword, volume-relative
DATA_LBA                equ     0x0524  ; dword, volume-relative
CLUSTER_BYTES           equ     0x0528  ; dword
FAT_CACHED              equ     0x052C  ; dword: FAT sector now in FAT_BUFFER

STACK_TOP               equ     0x7C00
STAGE2                  equ     0x7E00  ; up to one 4096-byte sector: 7E00-8DFF
FAT_BUFFER              equ     0x9000  ; one FAT sector: 9000-9FFF
DIR_SEGMENT             equ     0x1000  ; one directory cluster (at most 64 KiB)
LOAD_SEGMENT            equ     0x2000
LOAD_LINEAR             equ     0x20000
STAGE2_MARK             equ     'TVK2'

CLUSTER_BAD             equ     0x0FFFFFF7

; ---------------------------------------------------------------- sector 0
start:
        jmp     short boot
        nop
        times   90 - ($ - $$) db 0      ; OEM name and BPB, the volume's own

boot:
%include "real_mode_entry.inc"
%include "disk_probe.inc"
.load_stage2:
        mov     eax, 2
        mov     cx, 1
        mov     bx, STAGE2 >> 4
        mov     es, bx
        call    read_sectors
        cmp     dword [STAGE2], STAGE2_MARK
%include "first_sector_end.inc"

; ---------------------------------------------------------------- sector 2
stage2:
        dd      STAGE2_MARK
stage2_entry:
        movzx   eax, word [BPB_RESERVED_SECTORS]
        mov     [FAT_LBA], eax
        movzx   ecx, byte [BPB_FAT_COUNT]
        mov     ebx, [BPB_FAT_SIZE]
        imul    ebx, ecx
        add     eax, ebx
        mov     [DATA_LBA], eax
        mov     dword [FAT_CACHED], 0xFFFFFFFF
        movzx   eax, byte [BPB_SECTORS_PER_CLUSTER]
        movzx   ecx, word [BPB_BYTES_PER_SECTOR]
        mul     ecx
        mov     [CLUSTER_BYTES], eax

        ; Walk the root directory cluster by cluster.
        mov     eax, [BPB_ROOT_CLUSTER]
.dir_cluster:
        cmp     eax, 2
        jb      missing
        cmp     eax, CLUSTER_BAD
        jae     missing
        push    eax
        mov     bx, DIR_SEGMENT
        mov     es, bx
        call    read_cluster
        mov     bx, DIR_SEGMENT
        mov     es, bx
        mov     ecx, [CLUSTER_BYTES]
        shr     ecx, 5                  ; entries
        xor     di, di
.entry:
        mov     al, [es:di]
        test    al, al
        jz      missing                 ; end of directory
        cmp     al, 0xE5
        je      .next_entry             ; deleted
        test    byte [es:di + 11], 0x18 ; volume label, long name or directory
        jnz     .next_entry
        push    cx
        push    di
        mov     si, loader_83
        mov     cx, 11
        repe    cmpsb
        pop     di
        pop     cx
        je      found
.next_entry:
        add     di, 32
        loop    .entry
        pop     eax
        call    next_cluster
        jmp     .dir_cluster

found:
        pop     eax
        mov     ax, [es:di + 20]
        shl     eax, 16
        mov     ax, [es:di + 26]        ; first cluster
        mov     edx, [es:di + 28]       ; size
        test    edx, edx
        jz      missing

        ; Whole clusters from 2000:0000 must stay below the EBDA.
        push    eax
        mov     eax, edx
        dec     eax
        xor     edx, edx
        div     dword [CLUSTER_BYTES]
        inc     eax
        mov     ebp, eax                ; clusters to load
        mul     dword [CLUSTER_BYTES]
        test    edx, edx
        jnz     too_large
        add     eax, LOAD_LINEAR
        jc      too_large
        mov     ebx, eax
        int     0x12                    ; KiB of conventional memory
        movzx   eax, ax
        shl     eax, 10
        cmp     ebx, eax
        ja      too_large
        pop     eax

        mov     bx, LOAD_SEGMENT
        mov     es, bx
.load:
        cmp     eax, 2
        jb      damaged
        cmp     eax, CLUSTER_BAD
        jae     damaged                 ; chain ends before the file does
        push    eax
        call    read_cluster
        pop     eax
        dec     ebp
        jz      .start
        push    es
        call    next_cluster
        pop     es
        jmp     .load

.start:
%include "loader_handoff.inc"

too_large:
        mov     si, msg_too_large
        jmp     fail
damaged:
        mov     si, msg_damaged
        jmp     fail
missing:
        mov     si, msg_missing
        jmp     fail

; EAX = cluster, ES = destination segment; ES advances past it.
read_cluster:
        sub     eax, 2
        movzx   ecx, byte [BPB_SECTORS_PER_CLUSTER]
        mul     ecx
        add     eax, [DATA_LBA]
        jmp     read_sectors

; EAX = cluster -> EAX = its FAT entry. Clobbers ES, EBX, ECX, EDX, SI, DI.
next_cluster:
        shl     eax, 2
        movzx   ecx, word [BPB_BYTES_PER_SECTOR]
        xor     edx, edx
        div     ecx                     ; eax = FAT sector, dx = offset in it
        add     eax, [FAT_LBA]
        cmp     eax, [FAT_CACHED]
        je      .cached
        push    dx
        push    eax
        mov     bx, FAT_BUFFER >> 4
        mov     es, bx
        mov     cx, 1
        call    read_sectors
        pop     eax
        mov     [FAT_CACHED], eax
        pop     dx
.cached:
        mov     si, dx
        mov     eax, [FAT_BUFFER + si]
        and     eax, 0x0FFFFFFF
        ret

loader_83:              db      LOADER_83
msg_missing:            db      LOADER_NAME, ' is missing', 0
msg_too_large:          db      LOADER_NAME, ' is too large', 0
msg_damaged:            db      LOADER_NAME, ' is damaged', 0

        times   1022 - ($ - $$) db 0
        dw      0xAA55
